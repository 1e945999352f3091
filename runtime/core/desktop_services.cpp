// The file requester, program start, music and video.
#include <algorithm>
#include <string>
#include <vector>

#include "runtime/core/desktop_services_internal.h"
#include "runtime/core/frame_loop_internal.h"
#include "runtime/core/stop/project_settings.h"
#include "runtime/gfx2d/opengl_rainbows.h"
#include "runtime/input/input_state.h"
#include "runtime/lib/media_resolver.h"
#include "runtime/platform/clock.h"
#include "runtime/platform/dialogs.h"
#include "runtime/platform/process.h"
#include "runtime/platform/window.h"
#include "runtime/values/conversions.h"

namespace korvane {

namespace {

// The filter text must leave room for the two closing zero bytes of a 1024-byte buffer.
constexpr size_t kFilterCapacity = 1022;
// The answer must fit the 1024-byte result buffer with its zero byte.
constexpr size_t kChosenPathCapacity = 1023;
constexpr const char* kNoFile = "NO_FILE";
constexpr const char* kEveryFileWindows = "*.*";
constexpr const char* kEveryFile = "*";

// Music and video resolve their names through the media file resolver.
constexpr int kMusicAndVideoResolver = 0;

constexpr double kVideoMissing = 3;
constexpr double kVideoShown = 0;

VideoFrameHook videoFrameHook = nullptr;

std::string trimmed(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  const size_t last = text.find_last_not_of(" \t");
  return std::string(text.substr(first, last - first + 1));
}

std::vector<std::string> patternsOf(std::string_view text) {
  std::vector<std::string> patterns;
  size_t start = 0;
  for (;;) {
    const size_t end = text.find(';', start);
    std::string pattern =
        trimmed(text.substr(start, end == std::string_view::npos ? end : end - start));
    if (pattern == kEveryFileWindows) pattern = kEveryFile;
    if (!pattern.empty()) patterns.push_back(std::move(pattern));
    if (end == std::string_view::npos) return patterns;
    start = end + 1;
  }
}

void restoreDisplay(OpenGLRainbows& display) {
  if (projectSettings().fullscreen != 0) {
    display.enterFullscreen();
  } else {
    display.enterWindowed();
  }
  // Left without the focus, the window would pause the program until the user clicks it.
  platform::raiseWindow(display.window());
}

}  // namespace

DesktopState& desktopState() {
  static DesktopState state;
  return state;
}

std::vector<platform::FileFilter> chooserFilters(std::string_view filter) {
  filter = filter.substr(0, std::min(filter.size(), kFilterCapacity));
  std::vector<std::string_view> parts;
  size_t start = 0;
  for (;;) {
    const size_t end = filter.find('|', start);
    parts.push_back(filter.substr(start, end == std::string_view::npos ? end : end - start));
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  std::vector<platform::FileFilter> filters;
  for (size_t i = 0; i + 1 < parts.size(); i += 2) {
    if (parts[i].empty() || parts[i + 1].empty()) break;
    filters.push_back({std::string(parts[i]), patternsOf(parts[i + 1])});
  }
  return filters;
}

RtString fileRequester(double open, const RtString& filter) {
  const std::vector<platform::FileFilter> filters = chooserFilters(viewOf(filter));
  const std::string directory = platform::currentDirectory();
  OpenGLRainbows* d = display();
  if (d != nullptr) d->hideDisplay();
  std::string chosen = isTrue(open) ? platform::chooseFileToOpen(filters, directory)
                                    : platform::chooseFileToSave(filters, directory);
  if (!directory.empty()) platform::setCurrentDirectory(directory);
  if (d != nullptr) restoreDisplay(*d);
  if (chosen.empty() || chosen.size() > kChosenPathCapacity) return kNoFile;
  std::replace(chosen.begin(), chosen.end(), '\\', '/');
  return RtString(std::string_view(chosen));
}

double runProgram(const RtString& command, double wait, double /*show*/, double& exitCode) {
  exitCode = 0;
  platform::reapDetachedChildren();
  const std::string text(viewOf(command));
  // The shell would start and then fail with 127, which would read as a started program.
  if (!platform::commandProgramFound(text)) return 0;
  if (!isTrue(wait)) return platform::startDetached(text) ? 1 : 0;
  const platform::ProcessId child = platform::startProcess({"/bin/sh", "-c", text});
  if (child == platform::kNoProcess) return 0;
  const int code = platform::waitForExit(child);
  exitCode = code < 0 ? 0 : code;
  return 1;
}

double playMusic(const RtString& file) {
  DesktopState& state = desktopState();
  stopMusic();
  state.musicFile = file;
  const std::string path = mediaPathToOpen(viewOf(file), kMusicAndVideoResolver);
  if (path.empty()) return 0;
  // Returns once the file is loaded: the resolver may delete an extracted copy at its next use.
  state.music = platform::openMedia(path, platform::MediaKind::kMusic, true);
  if (state.music == nullptr) return 0;
  platform::setMediaVolume(state.music, platform::kNormalMediaVolume);
  return 1;
}

void stopMusic() {
  DesktopState& state = desktopState();
  platform::closeMedia(state.music);
  state.music = nullptr;
}

void setMusicVolume(double volume) {
  DesktopState& state = desktopState();
  if (state.music == nullptr) return;
  platform::setMediaVolume(state.music, truncateToInt32(volume * platform::kNormalMediaVolume));
}

VideoRectangle videoRectangle(int clientWidth, int clientHeight, int pictureWidth,
                              int pictureHeight) {
  VideoRectangle rectangle;
  if (clientWidth <= 0 || clientHeight <= 0 || pictureWidth <= 0 || pictureHeight <= 0) {
    return rectangle;
  }
  const double scale = std::min(static_cast<double>(clientHeight) / pictureHeight,
                                static_cast<double>(clientWidth) / pictureWidth);
  rectangle.width = static_cast<int>(pictureWidth * scale);
  rectangle.height = static_cast<int>(pictureHeight * scale);
  rectangle.x = (clientWidth - rectangle.width) / 2;
  rectangle.y = (clientHeight - rectangle.height) / 2;
  return rectangle;
}

double playVideo(const RtString& file, double loop) {
  OpenGLRainbows* d = display();
  InputState* input = inputState();
  if (d == nullptr || input == nullptr) return kVideoMissing;
  const std::string path = mediaPathToOpen(viewOf(file), kMusicAndVideoResolver);
  if (path.empty()) return kVideoMissing;
  DesktopState& state = desktopState();
  platform::MediaPlayer* video =
      platform::openMedia(path, platform::MediaKind::kVideo, isTrue(loop));
  if (video == nullptr) return kVideoMissing;
  state.video = video;
  const platform::MediaPictureSize picture = platform::mediaPictureSize(video);
  const platform::Size client = platform::windowSize(d->window());
  const VideoRectangle shown =
      videoRectangle(client.width, client.height, picture.width, picture.height);
  // Without a picture there is nothing to scale (and nothing to show).
  if (shown.width <= 0 || shown.height <= 0) {
    state.video = nullptr;
    platform::closeMedia(video);
    return kVideoMissing;
  }

  // The key or click that started the video must not stop it at once. Reading the keys and
  // buttons pumps the window system without dispatching: its events wait for the next dispatch.
  while (input->keyCharAvailable() != 0 || input->anyMouseButton() != 0) {
    platform::sleepMilliseconds(1);
  }

  platform::playMedia(video);
  if (platform::mediaLengthMilliseconds(video) > 0) {
    for (;;) {
      if (input->readKeyChar() != 0 || input->anyMouseButton() != 0) break;
      pumpMessages(*d);
      keepMusicLooping();
      // The end is the player's end-of-file: its position never quite reaches the length.
      if (platform::mediaFinished(video)) break;
      if (platform::mediaPictureReady(video) &&
          platform::drawMediaPicture(video, shown.x, shown.y, shown.width, shown.height,
                                     client.width, client.height)) {
        if (videoFrameHook != nullptr) videoFrameHook();
        d->swapAndClear();
      } else {
        platform::sleepMilliseconds(1);
      }
    }
  }
  state.video = nullptr;
  platform::closeMedia(video);
  // The texture bindings changed behind the display's back.
  d->bindSprite(-1, -1, 0);
  return kVideoShown;
}

void shutdownDesktopServices() {
  DesktopState& state = desktopState();
  stopMusic();
  platform::closeMedia(state.video);
  state.video = nullptr;
  platform::reapDetachedChildren();
}

void setVideoFrameHookForTesting(VideoFrameHook hook) { videoFrameHook = hook; }

}  // namespace korvane
