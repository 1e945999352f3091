// The numbers the program passes, as the device is given them: slot, channels, pan and volume
// in hundredths of a decibel, and the gain of each output side.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "runtime/sound/sound_device.h"

namespace korvane {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(SoundNumbersTest, SlotsAndChannels) {
  const struct {
    double in;
    int slot;
  } slots[] = {{0, 0},      {5.9, 5},  {127, 127}, {128, 127},  {1000, 127}, {1e10, 127},
               {kInf, 127}, {-0.5, 0}, {-1, -1},   {-1e10, -1}, {-kInf, -1}, {kNaN, -1}};
  for (const auto& row : slots) EXPECT_EQ(soundSlotFromNumber(row.in), row.slot) << row.in;

  const struct {
    double in;
    int channels;
  } channels[] = {{0, 1}, {-2, 1}, {1, 1}, {2.9, 2}, {4, 4}, {7, 4}, {1e10, 4}, {kNaN, 1}};
  for (const auto& row : channels) {
    EXPECT_EQ(soundChannelsFromNumber(row.in), row.channels) << row.in;
  }
}

TEST(SoundNumbersTest, PanAndVolumeInHundredthsOfADecibel) {
  const struct {
    double in;
    int32_t pan;
  } pans[] = {{0, 0},      {1, 10000},     {-1, -10000}, {5, 10000}, {-3, -10000},
              {0.5, 5000}, {-0.25, -2500}, {0.00005, 0}, {kNaN, 0},  {kInf, 10000}};
  for (const auto& row : pans) EXPECT_EQ(soundPanFromNumber(row.in), row.pan) << row.in;

  const struct {
    double in;
    int32_t volume;
  } volumes[] = {{1, 0},      {2, 0},       {0.5, -5000},   {0.999, -100},
                 {0, -10000}, {-1, -10000}, {kNaN, -10000}, {-kInf, -10000}};
  for (const auto& row : volumes) EXPECT_EQ(soundVolumeFromNumber(row.in), row.volume) << row.in;
}

TEST(SoundNumbersTest, SideGains) {
  const double down50 = std::pow(10.0, -2.5);
  const struct {
    int32_t volume, pan;
    double left, right;
  } rows[] = {
      {0, 0, 1, 1},
      {0, 10000, 0, 1},  // right only: the left side is silent, not merely -100 dB
      {0, -10000, 1, 0},
      {0, 5000, down50, 1},
      {-5000, 0, down50, down50},
      {-5000, -5000, down50, 0},  // the pan's cut takes the right side to -100 dB
      {-10000, 0, 0, 0},
      {-2000, 2000, 0.01, 0.1},
  };
  for (const auto& row : rows) {
    const SideGains gains = soundSideGains(row.volume, row.pan);
    EXPECT_NEAR(gains.left, row.left, row.left * 1e-5) << row.volume << " " << row.pan;
    EXPECT_NEAR(gains.right, row.right, row.right * 1e-5) << row.volume << " " << row.pan;
  }
}

}  // namespace
}  // namespace korvane
