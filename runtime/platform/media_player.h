// Music and video files played by the system's media player (libmpv; a build without it has
// the null backend), and the video's picture drawn into the display's own GL context. Where no
// player can start nothing opens or plays:
// length and position are 0, and a medium counts as finished. Main thread only: the player's
// own threads only raise flags that the calls below read.
#pragma once

#include <cstdint>
#include <string>

namespace korvane::platform {

// An opened medium; only the functions below look inside.
struct MediaPlayer;

enum class MediaKind : uint8_t {
  kMusic,  // sound only: a picture track is never decoded or shown
  kVideo,  // picture drawn with drawMediaPicture, sound on the audio device
};

// Volume in the runtime's terms: 1000 is the file's own loudness, 0 silent.
inline constexpr int kNormalMediaVolume = 1000;
// The loudest the player allows (it amplifies up to 130 %).
inline constexpr int kMaxMediaVolume = 1300;

// Longest wait for a file to load (or fail) in openMedia.
inline constexpr int kMediaLoadWaitMs = 10000;

// Opens `path` and waits until the player has loaded it or given up (at most
// kMediaLoadWaitMs), so that the file may be deleted once this returns. Music plays at once
// from the start; a video waits at its start for playMedia. `loop` restarts the medium at its
// end for ever. A video needs the GL context
// current, and the medium must be closed while that context still exists. nullptr when the
// file cannot be loaded or there is no player (every call below then does nothing).
MediaPlayer* openMedia(const std::string& path, MediaKind kind = MediaKind::kMusic,
                       bool loop = false);

// Stops the medium and frees it (and a video's drawing resources). nullptr is ignored.
void closeMedia(MediaPlayer* player);

// Plays from the current position, or pauses there.
void playMedia(MediaPlayer* player);
void pauseMedia(MediaPlayer* player);

// Pauses and goes back to the start.
void stopMedia(MediaPlayer* player);

// Goes back to the start and plays; a medium that has finished is loaded again.
void restartMedia(MediaPlayer* player);

// Volume in the runtime's terms, clamped to 0..kMaxMediaVolume. mediaVolume reads it back
// (0 without a player).
void setMediaVolume(MediaPlayer* player, int volume);
int mediaVolume(MediaPlayer* player);

// Length and current position in milliseconds; 0 when unknown or without a player.
int64_t mediaLengthMilliseconds(MediaPlayer* player);
int64_t mediaPositionMilliseconds(MediaPlayer* player);

// True once playing has reached the end or stopped on an error, or when there is nothing to
// play (no player). A looping medium never finishes at its end.
bool mediaFinished(MediaPlayer* player);
// True when it finished because it could not be played on (a decoding or device error), not
// at the end of the file.
bool mediaFailed(MediaPlayer* player);

// The picture size of a video in pixels; 0 x 0 for music, a file without a picture or no
// player.
struct MediaPictureSize {
  int width = 0;
  int height = 0;
};
MediaPictureSize mediaPictureSize(MediaPlayer* player);

// True when the player has a picture newer than the last one drawn.
bool mediaPictureReady(MediaPlayer* player);

// Draws the current picture scaled into the rectangle (x, y, width, height), in pixels from the
// top-left of the current window's client area of windowWidth x windowHeight, right side up.
// Every GL state it changes is put back, bound objects included. False when there is no
// picture to draw or no GL for it.
bool drawMediaPicture(MediaPlayer* player, int x, int y, int width, int height, int windowWidth,
                      int windowHeight);

// Test hook: the player's audio output driver for media opened from now on ("null" plays
// silently in real time); "" is the player's own choice. The runtime reads no environment
// variable of its own for this.
void setMediaAudioOutputForTesting(const std::string& driver);

}  // namespace korvane::platform
