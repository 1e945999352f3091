// The real program in child processes on the virtual display, driven with XTEST events
// (xdotool) and judged by the pixels of its window.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/child_program.h"
#include "tests/support/files.h"

namespace {

namespace fs = std::filesystem;
using korvane::testing::readFile;
using korvane::testing::waitUntil;
using korvane::testing::xDriver;

void run(const std::string& command) { ASSERT_EQ(std::system(command.c_str()), 0) << command; }

void pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

struct Rgb {
  int r, g, b;
  bool operator==(const Rgb&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Rgb& c) {
  return os << "(" << c.r << ", " << c.g << ", " << c.b << ")";
}
constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kRed{255, 0, 0};
constexpr Rgb kGreen{0, 255, 0};
constexpr Rgb kBlue{0, 0, 255};

// A binary PPM as the driver writes it.
struct Picture {
  int width = 0;
  int height = 0;
  std::string rgb;
  Rgb at(int x, int y) const {
    const size_t i = (static_cast<size_t>(y) * width + x) * 3;
    return {static_cast<uint8_t>(rgb[i]), static_cast<uint8_t>(rgb[i + 1]),
            static_cast<uint8_t>(rgb[i + 2])};
  }
};

Picture readPpm(const fs::path& path) {
  Picture p;
  const std::string data = readFile(path);
  std::istringstream header(data);
  std::string magic;
  int maxValue = 0;
  header >> magic >> p.width >> p.height >> maxValue;
  if (magic != "P6" || maxValue != 255) return {};
  const size_t start = static_cast<size_t>(header.tellg()) + 1;
  if (data.size() < start + static_cast<size_t>(p.width) * p.height * 3) return {};
  p.rgb = data.substr(start);
  return p;
}

// One run of ondrel with a private temporary directory.
class Ondrel {
 public:
  explicit Ondrel(const std::string& name) : program_(ONDREL_BINARY, "ondrel-e2e-" + name) {}

  bool running() const { return program_.running(); }
  // The exit code once the program has ended, -1 if it is still running after `seconds`.
  int exitCode(double seconds = 10) { return program_.exitCode(seconds); }

  // Waits for the window and for the program's own frames: the warning box gone, and the
  // white backdrop showing right of the grid. On failure, state() says what was seen.
  bool waitForFrames() {
    if (!waitUntil([&] { return !(window_ = xDriver("find " + program_.pid())).empty(); }, 30)) {
      seen_ = "no window for pid " + program_.pid() + (running() ? "" : " (program ended)");
      return false;
    }
    return waitUntil(
        [&] {
          const std::string boxes = xDriver("boxes");
          const Picture p = grab();
          std::ostringstream s;
          s << "window " << window_ << ", boxes " << boxes << ", picture " << p.width << "x"
            << p.height;
          if (p.width == 640 && p.height == 480) {
            s << ", (638, 240) " << p.at(638, 240) << ", (320, 400) " << p.at(320, 400);
          }
          seen_ = s.str();
          return boxes == "0" && p.width == 640 && p.height == 480 && p.at(638, 240) == kWhite &&
                 p.at(320, 400) == kBlack;
        },
        30);
  }
  std::string state() const { return seen_ + "; output: " + log(); }

  Picture grab() {
    const fs::path file = program_.dir() / "grab.ppm";
    fs::remove(file);
    xDriver("grab " + window_ + " '" + file.string() + "'");
    return readPpm(file);
  }

  // The program's pointer moves only with relative motion: to the top-left corner first
  // (the position is clamped there), then by (x, y). Each move is waited for until the "X"
  // shows at its place, so the two moves never fall into one frame's reading.
  bool pointTo(int x, int y) {
    run("xdotool mousemove_relative -- -10000 -10000");
    if (!waitUntil([&] { return markNear(0, 0); }, 10)) return false;
    run("xdotool mousemove_relative -- " + std::to_string(x) + " " + std::to_string(y));
    return waitUntil([&] { return markNear(x, y); }, 10);
  }
  // Some pixel of the cell right of and below (x, y) is lit while the rest of the grid is dark.
  bool markNear(int x, int y) {
    const Picture p = grab();
    if (p.width != 640) return false;
    for (int py = y; py < y + kMarkSize; ++py) {
      for (int px = x; px < x + kMarkSize; ++px) {
        if (!(p.at(px, py) == kBlack)) return true;
      }
    }
    return false;
  }
  static constexpr int kMarkSize = 16;  // the "X" is drawn within one font cell from (x, y)

  // State is read once a frame, so keys are held well over a frame period.
  void keys(const std::string& chord) {
    run("xdotool windowfocus " + window_);
    run("xdotool keydown " + chord);
    pause(150);
    run("xdotool keyup " + chord);
  }
  void closeWindow() { xDriver("close-once " + window_); }
  std::string log() const { return program_.output(); }

 private:
  korvane::testing::BackgroundProgram program_;
  std::string window_;
  std::string seen_;
};

TEST(OndrelEndToEndTest, WithoutAClickTheGridIsBlackAndTheBackdropWhite) {
  Ondrel ondrel("noclick");
  ASSERT_TRUE(ondrel.waitForFrames()) << ondrel.state();
  ASSERT_TRUE(ondrel.pointTo(300, 200));
  const Picture p = ondrel.grab();
  ASSERT_EQ(p.width, 640);
  const auto underMark = [](int x, int y) {
    return x >= 300 && x < 300 + Ondrel::kMarkSize && y >= 200 && y < 200 + Ondrel::kMarkSize;
  };
  bool markSeen = false;
  int wrong = 0;
  for (int y = 0; y < 480; ++y) {
    for (int x = 0; x < 640; ++x) {
      const Rgb c = p.at(x, y);
      if (underMark(x, y)) {
        markSeen = markSeen || !(c == kBlack);
        continue;
      }
      const Rgb expected = x < 636 && y < 476 ? kBlack : kWhite;
      if (!(c == expected) && wrong++ < 5) {
        ADD_FAILURE() << "pixel " << x << "," << y << " is " << c << ", not " << expected;
      }
    }
  }
  EXPECT_EQ(wrong, 0);
  EXPECT_TRUE(markSeen) << "no pointer mark at 300,200";

  ondrel.keys("Escape");
  EXPECT_EQ(ondrel.exitCode(), 0) << ondrel.log();
}

TEST(OndrelEndToEndTest, HeldButtonDyesTheFourMirroredPoints) {
  Ondrel ondrel("held");
  ASSERT_TRUE(ondrel.waitForFrames()) << ondrel.state();
  ASSERT_TRUE(ondrel.pointTo(100, 60));
  // One pixel up and left of each injected cell's vertex, clear of the "X" at (100, 60).
  // The fourth colour, (255, 200, 64), has every channel past the clamp: white.
  struct Point {
    int x, y;
    Rgb colour;
  };
  const Point points[] = {
      {4 * 25 - 1, 4 * 15 - 1, kRed},
      {4 * 135 - 1, 4 * 15 - 1, kGreen},
      {4 * 25 - 1, 4 * 105 - 1, kBlue},
      {4 * 135 - 1, 4 * 105 - 1, kWhite},
  };
  const auto allShown = [&](const Picture& p) {
    if (p.width != 640) return false;
    for (const Point& pt : points) {
      if (!(p.at(pt.x, pt.y) == pt.colour)) return false;
    }
    return true;
  };

  run("xdotool mousedown 1");
  // Frames come as fast as the machine draws them; the colours must appear while the button
  // is held, and stay while it is held.
  Picture p;
  const bool appeared = waitUntil([&] { return allShown(p = ondrel.grab()); }, 10);
  pause(150);
  const Picture later = ondrel.grab();
  run("xdotool mouseup 1");
  ASSERT_EQ(p.width, 640);
  for (const Point& pt : points) {
    EXPECT_EQ(p.at(pt.x, pt.y), pt.colour) << "pixel " << pt.x << "," << pt.y;
  }
  EXPECT_TRUE(appeared);
  EXPECT_TRUE(allShown(later));
  EXPECT_EQ(p.at(320, 240), kBlack);  // far from every point

  ondrel.keys("alt+F4");
  EXPECT_EQ(ondrel.exitCode(), 0) << ondrel.log();
}

TEST(OndrelEndToEndTest, ButtonHeldOnTheLeftEdgeKeepsTheProgramRunning) {
  Ondrel ondrel("edge");
  ASSERT_TRUE(ondrel.waitForFrames()) << ondrel.state();
  ASSERT_TRUE(ondrel.pointTo(0, 60));
  run("xdotool mousedown 1");
  // The mirror of x = 0 lands on the last column: green shows at the grid's right edge, red
  // at its left edge.
  Picture p;
  const bool dyed = waitUntil(
      [&] {
        p = ondrel.grab();
        return p.width == 640 && p.at(635, 59).g > 0 && p.at(0, 59).r > 0;
      },
      10);
  pause(300);  // more frames with the edge held
  run("xdotool mouseup 1");
  pause(200);
  EXPECT_TRUE(dyed) << "right edge " << p.at(635, 59) << ", left edge " << p.at(0, 59);
  EXPECT_TRUE(ondrel.running()) << ondrel.log();

  ondrel.keys("Escape");
  EXPECT_EQ(ondrel.exitCode(), 0) << ondrel.log();
}

TEST(OndrelEndToEndTest, CloseRequestEndsTheProgram) {
  Ondrel ondrel("close");
  ASSERT_TRUE(ondrel.waitForFrames()) << ondrel.state();
  EXPECT_TRUE(ondrel.running());
  ondrel.closeWindow();
  EXPECT_EQ(ondrel.exitCode(), 0) << ondrel.log();
}

}  // namespace
