// Without a sound device, a file chooser or a media player, the services above get the stated
// answers: nothing opens, nothing plays, every request for a file is "no file".
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "runtime/platform/audio.h"
#include "runtime/platform/dialogs.h"
#include "runtime/platform/media_player.h"

namespace korvane::platform {
namespace {

TEST(NoAudioDeviceTest, EveryCallOnTheAbsentDeviceDoesNothing) {
  AudioDevice* device = nullptr;
  EXPECT_FALSE(audioDeviceConnected(device));
  const int16_t samples[4] = {0, 1000, -1000, 0};
  const AudioBufferId buffer = createAudioBuffer(device, samples, sizeof samples, PcmFormat{});
  EXPECT_EQ(buffer, kNoAudioBuffer);
  const AudioVoiceId voice = createVoice(device, buffer);
  EXPECT_EQ(voice, kNoAudioVoice);
  EXPECT_FALSE(playVoice(device, voice));
  setVoiceGains(device, voice, 0.5f, 1.0f);
  EXPECT_FALSE(voiceIsPlaying(device, voice));
  stopVoice(device, voice);
  destroyVoice(device, voice);
  destroyAudioBuffer(device, buffer);
  closeAudioDevice(device);
}

TEST(NoFileChooserTest, EveryRequestAnswersNoFileWhenNoChooserIsInstalled) {
  // A PATH without zenity or kdialog: the desktop has no chooser to offer.
  const char* saved = std::getenv("PATH");
  const std::string path = saved != nullptr ? saved : "";
  const std::string empty = ::testing::TempDir() + "korvane-no-chooser";
  std::filesystem::create_directories(empty);
  setenv("PATH", empty.c_str(), 1);
  EXPECT_FALSE(fileChooserAvailable());
  const std::vector<FileFilter> pictures = {{"Pictures", {"*.bmp", "*.png"}}};
  EXPECT_EQ(chooseFileToOpen(pictures, "/tmp"), "");
  EXPECT_EQ(chooseFileToSave({}, ""), "");
  setenv("PATH", path.c_str(), 1);
  std::filesystem::remove(empty);
}

TEST(NoMediaPlayerTest, WhatCannotBeOpenedPlaysNothingAndHasEnded) {
  // A medium that cannot be opened takes the same path as a player that cannot start.
  for (MediaKind kind : {MediaKind::kMusic, MediaKind::kVideo}) {
    MediaPlayer* player = openMedia("/nonexistent/korvane-music.ogg", kind, true);
    EXPECT_EQ(player, nullptr);
    playMedia(player);
    pauseMedia(player);
    restartMedia(player);
    setMediaVolume(player, kNormalMediaVolume);
    EXPECT_EQ(mediaVolume(player), 0);
    EXPECT_EQ(mediaLengthMilliseconds(player), 0);
    EXPECT_EQ(mediaPositionMilliseconds(player), 0);
    // A program waiting for the end of its music must not wait for ever.
    EXPECT_TRUE(mediaFinished(player));
    EXPECT_FALSE(mediaFailed(player));
    EXPECT_EQ(mediaPictureSize(player).width, 0);
    EXPECT_FALSE(mediaPictureReady(player));
    EXPECT_FALSE(drawMediaPicture(player, 0, 0, 10, 10, 10, 10));
    closeMedia(player);
  }
  EXPECT_EQ(openMedia("", MediaKind::kMusic, false), nullptr);
}

}  // namespace
}  // namespace korvane::platform
