#include "runtime/sound/sound_device.h"

#include <algorithm>
#include <cmath>

#include "runtime/lib/byte_source.h"
#include "runtime/lib/media_resolver.h"
#include "runtime/platform/files.h"
#include "runtime/sound/wav_reader.h"

namespace korvane {

namespace {
// Every addressable slot with all its channels may play at once.
constexpr int kVoiceCapacity = (kLastAddressableSoundSlot + 1) * kMaxSoundChannels;
constexpr double kHundredthsPerDecibelStep = 2000.0;  // gain = 10^(hundredths / 2000)

SoundDevice* globalSound = nullptr;

// Stops and frees every buffer of the slot and its samples; the slot is empty afterwards.
void emptySlot(SoundSlot& slot, platform::AudioDevice* output) {
  for (int i = 0; i < slot.channelCount; ++i) {
    platform::stopVoice(output, slot.buffers[static_cast<size_t>(i)]);
  }
  for (platform::AudioVoiceId& voice : slot.buffers) {
    platform::destroyVoice(output, voice);
    voice = platform::kNoAudioVoice;
  }
  platform::destroyAudioBuffer(output, slot.samples);
  slot.samples = platform::kNoAudioBuffer;
  slot.channelCount = 0;
  slot.nextIndex = 0;
}

bool readSoundFile(const std::string& path, WaveSound& sound) {
  if (path.empty() || path.size() >= kSoundNameCapacity) return false;
  // Exclusive: a writer elsewhere makes the load fail. The platform's open never takes a FIFO or
  // a device.
  FileSource file(path, FileSource::Sharing::exclusive);
  return file.isOpen() && readWaveFile(file, sound);
}

void stopSlot(SoundSlot& slot, platform::AudioDevice* output) {
  for (int i = 0; i < slot.channelCount; ++i) {
    platform::stopVoice(output, slot.buffers[static_cast<size_t>(i)]);
  }
}
}  // namespace

SoundDevice* soundDevice() { return globalSound; }

void createSoundDevice() {
  if (globalSound == nullptr) globalSound = new SoundDevice;
}

bool openSoundDevice(SoundDevice& device, const void* /*window*/) {
  if (device.output == nullptr) {
    device.output = platform::openAudioDevice(kSoundMixRate, kVoiceCapacity);
  }
  return device.output != nullptr;
}

void setSoundWindow(SoundDevice& /*device*/, const void* /*window*/) {}

void closeSoundDevice() {
  if (globalSound == nullptr) return;
  for (int i = kSoundSlotCount - 1; i >= 0; --i) {
    emptySlot(globalSound->slots[static_cast<size_t>(i)], globalSound->output);
  }
  platform::closeAudioDevice(globalSound->output);
  delete globalSound;
  globalSound = nullptr;
}

int soundSlotFromNumber(double slot) {
  if (std::isnan(slot) || slot <= -1.0) return -1;
  if (slot >= kLastAddressableSoundSlot) return kLastAddressableSoundSlot;
  return static_cast<int>(slot);
}

int soundChannelsFromNumber(double channels) {
  if (std::isnan(channels)) return 1;
  return static_cast<int>(std::clamp(channels, 1.0, static_cast<double>(kMaxSoundChannels)));
}

int32_t soundPanFromNumber(double pan) {
  if (std::isnan(pan)) return 0;
  return static_cast<int32_t>(std::clamp(pan, -1.0, 1.0) * kFullPan);
}

int32_t soundVolumeFromNumber(double volume) {
  if (std::isnan(volume)) return kSilentVolume;
  const int32_t v = static_cast<int32_t>(std::clamp(volume * 100.0, 0.0, 100.0));
  return v * 100 + kSilentVolume;
}

SideGains soundSideGains(int32_t volume, int32_t pan) {
  auto gain = [](int32_t hundredths) {
    if (hundredths <= kSilentVolume) return 0.0f;
    return static_cast<float>(std::pow(10.0, hundredths / kHundredthsPerDecibelStep));
  };
  return {gain(volume + std::min(0, -pan)), gain(volume + std::min(0, pan))};
}

int pickPlayBuffer(SoundSlot& slot, platform::AudioDevice* output) {
  if (slot.channelCount <= 0) return -1;
  const auto at = [&slot](int index) { return slot.buffers[static_cast<size_t>(index)]; };
  if (at(slot.nextIndex) == platform::kNoAudioVoice) return -1;
  if (platform::voiceIsPlaying(output, at(slot.nextIndex))) {
    if (slot.channelCount == 1) return -1;
    slot.nextIndex = (slot.nextIndex + 1) % slot.channelCount;
    // The oldest playback is cut off.
    if (platform::voiceIsPlaying(output, at(slot.nextIndex))) {
      platform::stopVoice(output, at(slot.nextIndex));
    }
  }
  if (!platform::audioDeviceConnected(output)) return -1;
  return slot.nextIndex;
}

void loadSound(const RtString& file, double slotNumber, double channels) {
  if (globalSound == nullptr) return;
  const int index = soundSlotFromNumber(slotNumber);
  if (index < 0) return;
  const std::string_view name = viewOf(file);
  const std::string path = name.size() < kSoundNameCapacity ? mediaPathToOpen(name) : std::string();
  SoundSlot& slot = globalSound->slots[static_cast<size_t>(index)];
  platform::AudioDevice* output = globalSound->output;

  emptySlot(slot, output);
  const int count = soundChannelsFromNumber(channels);
  slot.fileName.clear();
  if (output == nullptr) return;

  slot.fileName = name;
  WaveSound sound;
  if (readSoundFile(path, sound)) {
    slot.samples = platform::createAudioBuffer(output, sound.samples.data(), sound.samples.size(),
                                               sound.format);
    slot.buffers[0] = platform::createVoice(output, slot.samples);
  }
  if (slot.buffers[0] == platform::kNoAudioVoice) {
    // Samples without a voice to play them are no use: release them with the failed load.
    platform::destroyAudioBuffer(output, slot.samples);
    slot.samples = platform::kNoAudioBuffer;
    slot.fileName.clear();
    return;
  }
  slot.channelCount = count;
  // A further buffer that cannot be had stays empty; the load still counts.
  for (int i = 1; i < count; ++i) {
    slot.buffers[static_cast<size_t>(i)] = platform::createVoice(output, slot.samples);
  }
}

double playSound(double slotNumber, double pan, double volume) {
  if (globalSound == nullptr) return kNoSoundChannel;
  const int index = soundSlotFromNumber(slotNumber);
  if (index < 0) return kNoSoundChannel;
  SoundSlot& slot = globalSound->slots[static_cast<size_t>(index)];
  platform::AudioDevice* output = globalSound->output;
  if (output == nullptr || slot.channelCount <= 0) return kNoSoundChannel;

  const int buffer = pickPlayBuffer(slot, output);
  if (buffer < 0) return kNoSoundChannel;
  const platform::AudioVoiceId voice = slot.buffers[static_cast<size_t>(buffer)];
  const SideGains gains = soundSideGains(soundVolumeFromNumber(volume), soundPanFromNumber(pan));
  platform::setVoiceGains(output, voice, gains.left, gains.right);
  if (!platform::playVoice(output, voice)) return kNoSoundChannel;
  return (index << kChannelIdSlotShift) + buffer;
}

double isSoundPlaying(double channel) {
  if (globalSound == nullptr || std::isnan(channel) || channel < 0) return 0;
  constexpr double kPastLastId = (kLastAddressableSoundSlot + 1) << kChannelIdSlotShift;
  if (channel >= kPastLastId) return 0;
  const int id = static_cast<int>(channel);
  const SoundSlot& slot = globalSound->slots[static_cast<size_t>(id >> kChannelIdSlotShift)];
  const int index = id & kChannelIdIndexMask;
  if (index >= slot.channelCount) return 0;
  return platform::voiceIsPlaying(globalSound->output, slot.buffers[static_cast<size_t>(index)])
             ? 1
             : 0;
}

void stopAllSounds() {
  if (globalSound == nullptr || globalSound->output == nullptr) return;
  for (int i = 0; i <= kLastAddressableSoundSlot; ++i) {
    stopSlot(globalSound->slots[static_cast<size_t>(i)], globalSound->output);
  }
}

}  // namespace korvane
