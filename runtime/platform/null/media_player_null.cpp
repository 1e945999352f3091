// No media player (a build without libmpv): nothing opens, nothing plays, and what is asked of
// it has ended.
#include "runtime/platform/media_player.h"

namespace korvane::platform {

MediaPlayer* openMedia(const std::string&, MediaKind, bool) { return nullptr; }

void closeMedia(MediaPlayer*) {}

void playMedia(MediaPlayer*) {}

void pauseMedia(MediaPlayer*) {}

void stopMedia(MediaPlayer*) {}

void restartMedia(MediaPlayer*) {}

void setMediaVolume(MediaPlayer*, int) {}

int mediaVolume(MediaPlayer*) { return 0; }

int64_t mediaLengthMilliseconds(MediaPlayer*) { return 0; }

int64_t mediaPositionMilliseconds(MediaPlayer*) { return 0; }

bool mediaFinished(MediaPlayer*) { return true; }

bool mediaFailed(MediaPlayer*) { return false; }

MediaPictureSize mediaPictureSize(MediaPlayer*) { return {}; }

bool mediaPictureReady(MediaPlayer*) { return false; }

bool drawMediaPicture(MediaPlayer*, int, int, int, int, int, int) { return false; }

void setMediaAudioOutputForTesting(const std::string&) {}

}  // namespace korvane::platform
