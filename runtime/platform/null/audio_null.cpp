// No sound device: nothing opens, and every call on the absent device does nothing.
#include "runtime/platform/audio.h"

namespace korvane::platform {

AudioDevice* openAudioDevice() { return nullptr; }

void closeAudioDevice(AudioDevice*) {}

AudioBufferId createAudioBuffer(AudioDevice*, const void*, size_t, const PcmFormat&) {
  return kNoAudioBuffer;
}

void destroyAudioBuffer(AudioDevice*, AudioBufferId) {}

AudioVoiceId createVoice(AudioDevice*, AudioBufferId) { return kNoAudioVoice; }

void destroyVoice(AudioDevice*, AudioVoiceId) {}

void playVoice(AudioDevice*, AudioVoiceId, bool) {}

void stopVoice(AudioDevice*, AudioVoiceId) {}

bool voiceIsPlaying(AudioDevice*, AudioVoiceId) { return false; }

void setVoiceGain(AudioDevice*, AudioVoiceId, float) {}

void setVoicePan(AudioDevice*, AudioVoiceId, float) {}

}  // namespace korvane::platform
