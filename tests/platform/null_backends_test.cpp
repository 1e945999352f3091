// Without a sound device, a file chooser or a media player, the services above get the stated
// answers: nothing opens, nothing plays, every request for a file is "no file".
#include <gtest/gtest.h>

#include <cstdint>

#include "runtime/platform/audio.h"
#include "runtime/platform/dialogs.h"
#include "runtime/platform/media_player.h"

namespace korvane::platform {
namespace {

TEST(NoAudioDeviceTest, NothingOpensAndEveryCallDoesNothing) {
  AudioDevice* device = openAudioDevice();
  EXPECT_EQ(device, nullptr);
  const int16_t samples[4] = {0, 1000, -1000, 0};
  const AudioBufferId buffer = createAudioBuffer(device, samples, sizeof samples, PcmFormat{});
  EXPECT_EQ(buffer, kNoAudioBuffer);
  const AudioVoiceId voice = createVoice(device, buffer);
  EXPECT_EQ(voice, kNoAudioVoice);
  playVoice(device, voice, true);
  setVoiceGain(device, voice, 0.5f);
  setVoicePan(device, voice, -1.0f);
  EXPECT_FALSE(voiceIsPlaying(device, voice));
  stopVoice(device, voice);
  destroyVoice(device, voice);
  destroyAudioBuffer(device, buffer);
  closeAudioDevice(device);
}

TEST(NoFileChooserTest, EveryRequestAnswersNoFile) {
  EXPECT_FALSE(fileChooserAvailable());
  const std::vector<FileFilter> pictures = {{"Pictures", {"*.bmp", "*.png"}}};
  EXPECT_EQ(chooseFileToOpen(pictures, "/tmp"), "");
  EXPECT_EQ(chooseFileToSave({}, ""), "");
}

TEST(NoMediaPlayerTest, NothingPlaysAndTheMediumHasEnded) {
  MediaPlayer* player = openMedia("/tmp/korvane-music.mid");
  EXPECT_EQ(player, nullptr);
  playMedia(player);
  setMediaVolume(player, 1.0f);
  EXPECT_EQ(mediaLengthMilliseconds(player), 0);
  EXPECT_EQ(mediaPositionMilliseconds(player), 0);
  // A program waiting for the end of its music must not wait for ever.
  EXPECT_TRUE(mediaFinished(player));
  stopMedia(player);
  closeMedia(player);
}

}  // namespace
}  // namespace korvane::platform
