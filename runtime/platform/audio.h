// Sound output: one device mixing to stereo, buffers of PCM samples, and voices that play a
// buffer with a gain of their own on each output side. Without a device every call quietly does
// nothing, so the sound service has one code path. Main thread only; one device open at a time.
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

// Opens the default output device, mixing to stereo at `samplesPerSecond`, with room for
// `voiceCapacity` voices at once. nullptr when there is no device or it cannot be set up (then
// every call below is given nullptr and does nothing).
AudioDevice* openAudioDevice(int samplesPerSecond, int voiceCapacity);

// Stops every voice, frees every buffer and closes the device. nullptr is ignored.
void closeAudioDevice(AudioDevice* device);

// False without a device, or once its output has gone (unplugged, server ended).
bool audioDeviceConnected(AudioDevice* device);

// Copies `size` bytes of samples in `format` into a new buffer; a trailing part frame is
// dropped. kNoAudioBuffer without a device, for an unsupported format, or without one whole frame.
AudioBufferId createAudioBuffer(AudioDevice* device, const void* samples, size_t size,
                                const PcmFormat& format);

// Frees the buffer, stopping and freeing the voices that play it first.
void destroyAudioBuffer(AudioDevice* device, AudioBufferId buffer);

// A new voice for `buffer`, stopped at its start with both gains 1: several voices may play one
// buffer at once. kNoAudioVoice without a device or buffer, or when the device has no room.
AudioVoiceId createVoice(AudioDevice* device, AudioBufferId buffer);

// Stops and frees the voice.
void destroyVoice(AudioDevice* device, AudioVoiceId voice);

// Plays the voice once from the start of its buffer (restarting it if it plays). False without
// a device or voice, or when the device refused.
bool playVoice(AudioDevice* device, AudioVoiceId voice);

// Stops the voice; playing it again starts from the beginning.
void stopVoice(AudioDevice* device, AudioVoiceId voice);

// True while the voice plays; false without a device or voice.
bool voiceIsPlaying(AudioDevice* device, AudioVoiceId voice);

// Linear gains of the two output sides, each clamped to 0 (silent) … 1 (the samples as they
// are). A one-channel buffer feeds both sides; a two-channel buffer feeds its left channel to
// the left side only and its right channel to the right side only.
void setVoiceGains(AudioDevice* device, AudioVoiceId voice, float left, float right);

}  // namespace korvane::platform
