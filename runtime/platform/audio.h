// Sound output: one device, buffers of PCM samples, and voices that play a buffer.
// Without a device every call quietly does nothing, so the sound service has one code path.
// Calls for one device come from one thread at a time (the sound service serialises them).
#pragma once

#include <cstddef>
#include <cstdint>

namespace korvane::platform {

// An open output device; only the functions below look inside.
struct AudioDevice;

// A buffer of samples and a voice playing one; 0 means none.
using AudioBufferId = uint32_t;
using AudioVoiceId = uint32_t;
inline constexpr AudioBufferId kNoAudioBuffer = 0;
inline constexpr AudioVoiceId kNoAudioVoice = 0;

// Interleaved PCM: 8-bit samples are unsigned, 16-bit ones signed little-endian.
struct PcmFormat {
  int channels = 1;        // 1 or 2
  int bitsPerSample = 16;  // 8 or 16
  int samplesPerSecond = 22050;
};

// Opens the default output device; nullptr when there is none (then every call below is given
// nullptr and does nothing).
AudioDevice* openAudioDevice();

// Stops every voice, frees every buffer and closes the device. nullptr is ignored.
void closeAudioDevice(AudioDevice* device);

// Copies `size` bytes of samples in `format` into a new buffer. kNoAudioBuffer without a
// device, for an unsupported format, or when the bytes are not a whole number of frames.
AudioBufferId createAudioBuffer(AudioDevice* device, const void* samples, size_t size,
                                const PcmFormat& format);

// Frees the buffer, stopping and freeing the voices that play it.
void destroyAudioBuffer(AudioDevice* device, AudioBufferId buffer);

// A new voice for `buffer`: several voices may play one buffer at once, each with its own
// gain and pan. kNoAudioVoice without a device or buffer.
AudioVoiceId createVoice(AudioDevice* device, AudioBufferId buffer);

// Stops and frees the voice.
void destroyVoice(AudioDevice* device, AudioVoiceId voice);

// Plays the voice from the start of its buffer, over and over with `loop`.
void playVoice(AudioDevice* device, AudioVoiceId voice, bool loop);

// Stops the voice; playing it again starts from the beginning.
void stopVoice(AudioDevice* device, AudioVoiceId voice);

// True while the voice plays; false without a device.
bool voiceIsPlaying(AudioDevice* device, AudioVoiceId voice);

// Linear gain: 0 is silent, 1 the samples as they are.
void setVoiceGain(AudioDevice* device, AudioVoiceId voice, float gain);

// Stereo position: -1 fully left, 0 centre, 1 fully right.
void setVoicePan(AudioDevice* device, AudioVoiceId voice, float pan);

}  // namespace korvane::platform
