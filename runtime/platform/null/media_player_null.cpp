// No media player: nothing opens, nothing plays, and what is asked of it has ended.
#include "runtime/platform/media_player.h"

namespace korvane::platform {

MediaPlayer* openMedia(const std::string&) { return nullptr; }

void closeMedia(MediaPlayer*) {}

void playMedia(MediaPlayer*) {}

void stopMedia(MediaPlayer*) {}

void setMediaVolume(MediaPlayer*, float) {}

int64_t mediaLengthMilliseconds(MediaPlayer*) { return 0; }

int64_t mediaPositionMilliseconds(MediaPlayer*) { return 0; }

bool mediaFinished(MediaPlayer*) { return true; }

}  // namespace korvane::platform
