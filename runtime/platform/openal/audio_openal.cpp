// Sound output over OpenAL. Every voice is two mono sources, one held at each output side, so
// that the side gains are exactly what the caller asks for: a single source placed in space
// would come out attenuated on both sides when centred, and stereo buffers ignore position.
#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "runtime/platform/audio.h"

namespace korvane::platform {

namespace {
constexpr int kSides = 2;  // left, right
constexpr ALfloat kSideX[kSides] = {-1.0f, 1.0f};

struct BufferEntry {
  ALuint sides[kSides] = {};  // the same AL buffer twice for one channel
  int channels = 1;
  std::vector<AudioVoiceId> voices;
};

struct VoiceEntry {
  ALuint sources[kSides] = {};
  AudioBufferId buffer = kNoAudioBuffer;
};

bool alSucceeded() { return alGetError() == AL_NO_ERROR; }

void releaseAlBuffer(const BufferEntry& entry) {
  alDeleteBuffers(1, &entry.sides[0]);
  if (entry.sides[1] != entry.sides[0]) alDeleteBuffers(1, &entry.sides[1]);
}

// One output side of interleaved samples as its own mono block, 16-bit samples in the host's
// order as OpenAL wants them.
std::vector<uint8_t> sideSamples(const uint8_t* samples, size_t frames, const PcmFormat& format,
                                 int side) {
  const size_t sampleBytes = static_cast<size_t>(format.bitsPerSample / 8);
  const size_t frameBytes = sampleBytes * static_cast<size_t>(format.channels);
  const size_t offset = format.channels == 2 ? sampleBytes * static_cast<size_t>(side) : 0;
  std::vector<uint8_t> out(frames * sampleBytes);
  for (size_t i = 0; i < frames; ++i) {
    const uint8_t* in = samples + i * frameBytes + offset;
    if (sampleBytes == 1) {
      out[i] = in[0];
    } else {
      const int16_t value = static_cast<int16_t>(static_cast<uint16_t>(in[0] | (in[1] << 8)));
      std::memcpy(&out[i * 2], &value, sizeof value);
    }
  }
  return out;
}
}  // namespace

struct AudioDevice {
  ALCdevice* device = nullptr;
  ALCcontext* context = nullptr;
  bool reportsConnection = false;
  uint32_t lastId = 0;
  std::unordered_map<AudioBufferId, BufferEntry> buffers;
  std::unordered_map<AudioVoiceId, VoiceEntry> voices;

  uint32_t newId() {
    do {
      ++lastId;
    } while (lastId == 0 || buffers.count(lastId) != 0 || voices.count(lastId) != 0);
    return lastId;
  }
};

AudioDevice* openAudioDevice(int samplesPerSecond, int voiceCapacity) {
  ALCdevice* alDevice = alcOpenDevice(nullptr);
  if (alDevice == nullptr) return nullptr;
  std::vector<ALCint> attributes = {ALC_FREQUENCY, samplesPerSecond, ALC_MONO_SOURCES,
                                    std::max(1, voiceCapacity) * kSides};
  if (alcIsExtensionPresent(alDevice, "ALC_SOFT_HRTF") == ALC_TRUE) {
    attributes.push_back(ALC_HRTF_SOFT);
    attributes.push_back(ALC_FALSE);
  }
  attributes.push_back(0);
  ALCcontext* context = alcCreateContext(alDevice, attributes.data());
  if (context == nullptr || alcMakeContextCurrent(context) != ALC_TRUE) {
    if (context != nullptr) alcDestroyContext(context);
    alcCloseDevice(alDevice);
    return nullptr;
  }
  auto* device = new AudioDevice;
  device->device = alDevice;
  device->context = context;
  device->reportsConnection = alcIsExtensionPresent(alDevice, "ALC_EXT_disconnect") == ALC_TRUE;
  alGetError();  // start with a clear error state
  return device;
}

void closeAudioDevice(AudioDevice* device) {
  if (device == nullptr) return;
  for (auto& [id, voice] : device->voices) {
    alSourceStopv(kSides, voice.sources);
    alDeleteSources(kSides, voice.sources);
  }
  for (auto& [id, buffer] : device->buffers) releaseAlBuffer(buffer);
  alcMakeContextCurrent(nullptr);
  alcDestroyContext(device->context);
  alcCloseDevice(device->device);
  delete device;
}

bool audioDeviceConnected(AudioDevice* device) {
  if (device == nullptr) return false;
  if (!device->reportsConnection) return true;
  ALCint connected = ALC_TRUE;
  alcGetIntegerv(device->device, ALC_CONNECTED, 1, &connected);
  return connected == ALC_TRUE;
}

AudioBufferId createAudioBuffer(AudioDevice* device, const void* samples, size_t size,
                                const PcmFormat& format) {
  if (device == nullptr || samples == nullptr) return kNoAudioBuffer;
  if (format.channels != 1 && format.channels != 2) return kNoAudioBuffer;
  if (format.bitsPerSample != 8 && format.bitsPerSample != 16) return kNoAudioBuffer;
  if (format.samplesPerSecond <= 0) return kNoAudioBuffer;
  const size_t frameBytes = static_cast<size_t>(format.bitsPerSample / 8 * format.channels);
  const size_t frames = size / frameBytes;
  const size_t sideBytes = frames * static_cast<size_t>(format.bitsPerSample / 8);
  if (frames == 0 || sideBytes > static_cast<size_t>(INT32_MAX)) return kNoAudioBuffer;
  const ALenum alFormat = format.bitsPerSample == 8 ? AL_FORMAT_MONO8 : AL_FORMAT_MONO16;

  BufferEntry entry;
  entry.channels = format.channels;
  const int count = format.channels;
  alGetError();
  alGenBuffers(count, entry.sides);
  if (!alSucceeded()) return kNoAudioBuffer;
  if (count == 1) entry.sides[1] = entry.sides[0];
  for (int side = 0; side < count; ++side) {
    const std::vector<uint8_t> block =
        sideSamples(static_cast<const uint8_t*>(samples), frames, format, side);
    alBufferData(entry.sides[side], alFormat, block.data(), static_cast<ALsizei>(block.size()),
                 format.samplesPerSecond);
    if (!alSucceeded()) {
      releaseAlBuffer(entry);
      return kNoAudioBuffer;
    }
  }
  const AudioBufferId id = device->newId();
  device->buffers.emplace(id, std::move(entry));
  return id;
}

void destroyAudioBuffer(AudioDevice* device, AudioBufferId buffer) {
  if (device == nullptr) return;
  auto found = device->buffers.find(buffer);
  if (found == device->buffers.end()) return;
  // OpenAL refuses to delete a buffer that a source still holds.
  const std::vector<AudioVoiceId> voices = found->second.voices;
  for (AudioVoiceId voice : voices) destroyVoice(device, voice);
  releaseAlBuffer(found->second);
  device->buffers.erase(found);
}

AudioVoiceId createVoice(AudioDevice* device, AudioBufferId buffer) {
  if (device == nullptr) return kNoAudioVoice;
  auto found = device->buffers.find(buffer);
  if (found == device->buffers.end()) return kNoAudioVoice;
  VoiceEntry voice;
  voice.buffer = buffer;
  alGetError();
  alGenSources(kSides, voice.sources);
  if (!alSucceeded()) return kNoAudioVoice;
  for (int side = 0; side < kSides; ++side) {
    const ALuint source = voice.sources[side];
    // Held beside the listener at a fixed side, and never faded by distance.
    alSourcei(source, AL_SOURCE_RELATIVE, AL_TRUE);
    alSource3f(source, AL_POSITION, kSideX[side], 0.0f, 0.0f);
    alSourcef(source, AL_ROLLOFF_FACTOR, 0.0f);
    alSourcei(source, AL_LOOPING, AL_FALSE);
    alSourcef(source, AL_GAIN, 1.0f);
    alSourcei(source, AL_BUFFER, static_cast<ALint>(found->second.sides[side]));
  }
  if (!alSucceeded()) {
    alDeleteSources(kSides, voice.sources);
    return kNoAudioVoice;
  }
  const AudioVoiceId id = device->newId();
  device->voices.emplace(id, voice);
  found->second.voices.push_back(id);
  return id;
}

void destroyVoice(AudioDevice* device, AudioVoiceId voice) {
  if (device == nullptr) return;
  auto found = device->voices.find(voice);
  if (found == device->voices.end()) return;
  VoiceEntry& entry = found->second;
  alSourceStopv(kSides, entry.sources);
  for (ALuint source : entry.sources) alSourcei(source, AL_BUFFER, 0);
  alDeleteSources(kSides, entry.sources);
  if (auto owner = device->buffers.find(entry.buffer); owner != device->buffers.end()) {
    std::vector<AudioVoiceId>& list = owner->second.voices;
    list.erase(std::remove(list.begin(), list.end(), voice), list.end());
  }
  device->voices.erase(found);
  alGetError();
}

bool playVoice(AudioDevice* device, AudioVoiceId voice) {
  if (device == nullptr) return false;
  auto found = device->voices.find(voice);
  if (found == device->voices.end()) return false;
  alGetError();
  // Both sides start in the same mixing step, so they stay sample-aligned.
  alSourcePlayv(kSides, found->second.sources);
  return alSucceeded();
}

void stopVoice(AudioDevice* device, AudioVoiceId voice) {
  if (device == nullptr) return;
  auto found = device->voices.find(voice);
  if (found == device->voices.end()) return;
  alSourceRewindv(kSides, found->second.sources);
  alGetError();
}

bool voiceIsPlaying(AudioDevice* device, AudioVoiceId voice) {
  if (device == nullptr) return false;
  auto found = device->voices.find(voice);
  if (found == device->voices.end()) return false;
  for (ALuint source : found->second.sources) {
    ALint state = AL_STOPPED;
    alGetSourcei(source, AL_SOURCE_STATE, &state);
    if (state == AL_PLAYING) return true;
  }
  return false;
}

void setVoiceGains(AudioDevice* device, AudioVoiceId voice, float left, float right) {
  if (device == nullptr) return;
  auto found = device->voices.find(voice);
  if (found == device->voices.end()) return;
  const float gains[kSides] = {left, right};
  for (int side = 0; side < kSides; ++side) {
    float gain = gains[side];
    gain = std::isnan(gain) ? 0.0f : std::clamp(gain, 0.0f, 1.0f);
    alSourcef(found->second.sources[side], AL_GAIN, gain);
  }
  alGetError();
}

}  // namespace korvane::platform
