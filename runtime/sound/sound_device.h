// The sound device and its table of sound slots: WAV files load into slots of one to four
// channels (independent playbacks of the same sound) and play with a pan and a volume. Without
// a device every command quietly does nothing: loads leave the slot empty, plays return -1.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "runtime/platform/audio.h"
#include "runtime/values/rt_string.h"

namespace korvane {

inline constexpr int kSoundSlotCount = 256;
// The commands address slots 0 … 127; a higher slot number is taken as the last of them.
inline constexpr int kLastAddressableSoundSlot = 127;
inline constexpr int kMaxSoundChannels = 4;
// Channel id = slot × 256 + buffer index.
inline constexpr int kChannelIdSlotShift = 8;
inline constexpr int kChannelIdIndexMask = 0xFF;
inline constexpr double kNoSoundChannel = -1;
// The mixer's format: stereo at 22050 samples per second.
inline constexpr int kSoundMixRate = 22050;
// A loaded name must fit the loader's 1024-character buffer with its terminator.
inline constexpr size_t kSoundNameCapacity = 1024;

// Volume and pan in hundredths of a decibel: volume -10000 (silent) … 0 (full), pan -10000
// (left only) … 10000 (right only).
inline constexpr int32_t kSilentVolume = -10000;
inline constexpr int32_t kFullPan = 10000;

struct SoundSlot {
  int32_t channelCount = 0;  // buffers in use; 0 = empty slot
  int32_t nextIndex = 0;     // the buffer the next play tries first
  std::string fileName;      // what the slot was loaded from
  platform::AudioBufferId samples = platform::kNoAudioBuffer;  // shared by every buffer
  std::array<platform::AudioVoiceId, kMaxSoundChannels> buffers{};
};

using SoundTable = std::array<SoundSlot, kSoundSlotCount>;

struct SoundDevice {
  platform::AudioDevice* output = nullptr;  // nullptr: no device could be opened
  SoundTable slots;
};

// ---- The process-wide device (start-up and shutdown).

SoundDevice* soundDevice();
// The device object with its 256 empty slots, not yet opened.
void createSoundDevice();
// Opens the output for the program's window. True on success; false leaves the device without
// output, so that every command does nothing.
bool openSoundDevice(SoundDevice& device, const void* window);
// The output mixes for the whole desktop, so the window changes nothing; kept for the start-up's
// order of steps.
void setSoundWindow(SoundDevice& device, const void* window);
// Releases all 256 slots from the last to the first, closes the output and frees the device.
void closeSoundDevice();

// ---- Program commands on the process-wide device. Numbers are truncated toward zero after
// clamping; a slot below 0 or not a number touches no slot.

// Loads the WAV file `file` (resolved as media) into `slot` with `channels` buffers (1 … 4).
// On failure the slot is left empty.
void loadSound(const RtString& file, double slot, double channels);
// Plays the slot with pan -1 (left) … 1 (right) and volume 0 … 1, linear in decibels; the
// channel id, or -1 when the slot is empty or no buffer is free.
double playSound(double slot, double pan, double volume);
// 1 while the channel plays, else 0.
double isSoundPlaying(double channel);
void stopAllSounds();

// ---- The steps behind the commands, for the tests.

// The slot a command addresses: -1 for none (below 0, not a number), at most 127.
int soundSlotFromNumber(double slot);
// Channels clamped to 1 … 4 (not a number: 1).
int soundChannelsFromNumber(double channels);
// Pan in hundredths of a decibel; not a number is the centre.
int32_t soundPanFromNumber(double pan);
// Volume in hundredths of a decibel; not a number is silence.
int32_t soundVolumeFromNumber(double volume);

struct SideGains {
  float left = 0;
  float right = 0;
};
// The linear gain of each output side: the volume plus the pan's cut on the side it leans
// away from; a side at -100 dB or below is silent.
SideGains soundSideGains(int32_t volume, int32_t pan);

// The buffer the next play of `slot` uses, or -1 for none: the one at the next index when it
// is free; else the next one round (cut off if it plays), except that a one-channel sound is
// not restarted while it plays. A lost output gives none.
int pickPlayBuffer(SoundSlot& slot, platform::AudioDevice* output);

}  // namespace korvane
