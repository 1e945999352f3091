// Music and video files played by the system's media player.
// Where no player exists nothing opens or plays: length and position are 0, and a medium counts
// as finished. Main thread.
#pragma once

#include <cstdint>
#include <string>

namespace korvane::platform {

// An opened medium; only the functions below look inside.
struct MediaPlayer;

// Opens the file at `path` for playing, stopped at its start. nullptr when it cannot be opened
// or there is no player (every call below then takes nullptr and does nothing).
MediaPlayer* openMedia(const std::string& path);

// Stops the medium and closes it. nullptr is ignored.
void closeMedia(MediaPlayer* player);

// Plays from the current position.
void playMedia(MediaPlayer* player);

// Stops and goes back to the start.
void stopMedia(MediaPlayer* player);

// Volume from 0 (silent) to 1 (full).
void setMediaVolume(MediaPlayer* player, float volume);

// Length and current position in milliseconds; 0 when unknown or without a player.
int64_t mediaLengthMilliseconds(MediaPlayer* player);
int64_t mediaPositionMilliseconds(MediaPlayer* player);

// True once playing has reached the end, or when there is nothing to play (no player).
bool mediaFinished(MediaPlayer* player);

}  // namespace korvane::platform
