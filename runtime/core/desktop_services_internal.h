// The desktop services' state and the steps the spine runs for them: the music's restart at its
// end (window events) and their part of the shutdown.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "runtime/core/desktop_services.h"
#include "runtime/platform/dialogs.h"
#include "runtime/platform/media_player.h"

namespace korvane {

struct DesktopState {
  platform::MediaPlayer* music = nullptr;
  RtString musicFile;  // the name last given to playMusic
  // The video being shown, so that a program ending inside playVideo frees it while the
  // display's GL context still exists.
  platform::MediaPlayer* video = nullptr;
  // What waitForInput saw last.
  double lastMouseX = 0, lastMouseY = 0, lastMouseLeft = 0, lastMouseRight = 0;
};

DesktopState& desktopState();

// The music's restart: music that reached its end plays again from the start; music that
// stopped on an error (no audio device, a broken file) is closed instead, so it is not restarted
// for ever. (Looping music restarts by itself; this catches what the player did not.)
void keepMusicLooping();

// Shutdown: stops the music, frees a video still open and collects ended child programs.
void shutdownDesktopServices();

// The file requester's filter text as the chooser's list: the text cut to 1022 characters,
// split at "|" into label and pattern pairs up to the first empty part (which ends the list),
// each pattern list split at ";" with blanks trimmed, and "*.*" (every file) made "*".
std::vector<platform::FileFilter> chooserFilters(std::string_view filter);

// The centred rectangle that playVideo fills: the picture scaled by the smaller of the two
// client/picture ratios, centred with integer halves. Zero sizes give an empty rectangle.
struct VideoRectangle {
  int x = 0, y = 0, width = 0, height = 0;
};
VideoRectangle videoRectangle(int clientWidth, int clientHeight, int pictureWidth,
                              int pictureHeight);

// waitForInput's rounds: the number of the round (0..14) in which input was seen, or 15 when
// none was.
int waitRoundsForInput();
inline constexpr int kWaitRounds = 15;

// Frames without a typed character after which inputLine's cursor toggles (every 21st).
inline constexpr int kCursorBlinkFrames = 20;
// The tiled image slot that holds the screen under inputLine.
inline constexpr int kInputLineSlot = 3;

// Called by playVideo after each picture is drawn, before it is shown; for tests.
using VideoFrameHook = void (*)();
void setVideoFrameHookForTesting(VideoFrameHook hook);
// Called by inputLine after each frame is drawn, before it is presented, with the cursor flag.
using InputLineFrameHook = void (*)(bool cursorShown);
void setInputLineFrameHookForTesting(InputLineFrameHook hook);

}  // namespace korvane
