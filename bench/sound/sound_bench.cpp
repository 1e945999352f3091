// The sound commands against the real mixer: the cost of one playSound, the mixer's CPU with 0,
// 32 and 128 channels playing (null output), and the time from playSound to the first sounding
// sample of the wave output (measured in a child process: the mixer reads its configuration
// once per process).
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "runtime/sound/sound_device.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kRate = 22050;
constexpr const char* kLatencyChild = "--latency-child";

fs::path workDir;

void put16(std::string& out, uint32_t v) {
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>((v >> 8) & 0xFF));
}
void put32(std::string& out, uint32_t v) {
  put16(out, v & 0xFFFF);
  put16(out, v >> 16);
}

// A one-channel 16-bit sine WAV of `seconds`.
std::string writeSine(const std::string& name, double seconds) {
  const int frames = static_cast<int>(seconds * kRate);
  std::string data;
  for (int i = 0; i < frames; ++i) {
    put16(data, static_cast<uint16_t>(static_cast<int16_t>(
                    std::lround(std::sin(2 * M_PI * 441 * i / kRate) * 16000))));
  }
  std::string file = "RIFF";
  put32(file, static_cast<uint32_t>(36 + data.size()));
  file += "WAVEfmt ";
  put32(file, 16);
  put16(file, 1);
  put16(file, 1);
  put32(file, kRate);
  put32(file, kRate * 2);
  put16(file, 2);
  put16(file, 16);
  file += "data";
  put32(file, static_cast<uint32_t>(data.size()));
  file += data;
  const fs::path path = workDir / name;
  std::ofstream(path, std::ios::binary) << file;
  return path.string();
}

void useConfiguration(const std::string& text) {
  const fs::path conf = workDir / (std::to_string(getpid()) + "-alsoft.conf");
  std::ofstream(conf) << text;
  setenv("ALSOFT_CONF", conf.c_str(), 1);
  setenv("HOME", workDir.c_str(), 1);
  setenv("XDG_CONFIG_HOME", workDir.c_str(), 1);
}

double processCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// A slot of four channels that plays on every call: the oldest playback is cut off.
void playSoundCall(benchmark::State& state) {
  korvane::loadSound(korvane::RtString(writeSine("call.wav", 0.5)), 0, 4);
  double pan = -1;
  for (auto _ : state) {
    benchmark::DoNotOptimize(korvane::playSound(0, pan, 0.8));
    pan = pan > 1 ? -1 : pan + 0.01;
  }
  korvane::stopAllSounds();
}
BENCHMARK(playSoundCall);

void mixerCpu() {
  const std::string file = writeSine("long.wav", 11);
  for (int channels : {0, 32, 128}) {
    korvane::stopAllSounds();
    for (int slot = 0; slot < 32; ++slot) korvane::loadSound(korvane::RtString(file), slot, 4);
    int started = 0;
    for (int i = 0; i < channels; ++i) {
      started += korvane::playSound(i % 32, 0, 0.5) >= 0 ? 1 : 0;
    }
    const double cpu0 = processCpuSeconds();
    const auto wall0 = Clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(10));
    const double cpu = processCpuSeconds() - cpu0;
    const double wall = std::chrono::duration<double>(Clock::now() - wall0).count();
    std::printf(
        "mixer CPU, %3d channels playing (%d started), null output: %.2f %% of one core"
        " (%.3f s CPU over %.1f s)\n",
        channels, started, 100 * cpu / wall, cpu, wall);
  }
  korvane::stopAllSounds();
}

// The first sounding sample written to `output` at or after byte `from`, as a position in
// bytes; 0 while there is none.
size_t soundingAfter(const fs::path& output, uintmax_t from) {
  std::ifstream in(output, std::ios::binary);
  in.seekg(static_cast<std::streamoff>(from));
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  for (size_t at = 0; at + 4 <= bytes.size(); at += 4) {
    int16_t left;
    std::memcpy(&left, &bytes[at], 2);
    if (std::abs(left) >= 4) return static_cast<size_t>(from) + at;
  }
  return 0;
}

// Plays a short sound every quarter second and watches the wave output, which is written in
// real time, for the moment its first sounding sample arrives in the file.
int latencyChild() {
  const fs::path output = workDir / "latency.wav";
  useConfiguration(
      "[general]\ndrivers = wave\nsample-type = int16\nhrtf = false\n"
      "channels = stereo\noutput-limiter = false\n[wave]\nfile = " +
      output.string() + "\n");
  const std::string click = writeSine("click.wav", 0.02);
  korvane::createSoundDevice();
  if (!korvane::openSoundDevice(*korvane::soundDevice(), nullptr)) {
    std::puts("latency: no wave output");
    return 1;
  }
  korvane::loadSound(korvane::RtString(click), 0, 1);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  std::vector<double> latencies;
  for (int i = 0; i < 12; ++i) {
    std::error_code error;
    // Frame-aligned: the header before the samples is a whole number of frames long.
    const uintmax_t written = fs::file_size(output, error) / 4 * 4;
    const auto played = Clock::now();
    korvane::playSound(0, 0, 1);
    while (soundingAfter(output, written) == 0 && Clock::now() - played < std::chrono::seconds(1)) {
      std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    latencies.push_back(std::chrono::duration<double, std::milli>(Clock::now() - played).count());
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
  }
  korvane::closeSoundDevice();
  std::sort(latencies.begin(), latencies.end());
  std::printf(
      "playSound to first sounding sample in the wave output: min %.1f ms, median %.1f ms,"
      " max %.1f ms (%zu plays)\n",
      latencies.front(), latencies[latencies.size() / 2], latencies.back(), latencies.size());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  workDir = fs::temp_directory_path() / ("korvane-sound-bench-" + std::to_string(getpid()));
  if (argc > 2 && std::strcmp(argv[1], kLatencyChild) == 0) {
    workDir = argv[2];
    return latencyChild();
  }
  fs::create_directories(workDir);
  // The child gets its own configuration; this process keeps the null output.
  const std::string child =
      fs::read_symlink("/proc/self/exe").string() + " " + kLatencyChild + " " + workDir.string();
  if (std::system(child.c_str()) != 0) std::puts("latency: the measuring child failed");

  useConfiguration("[general]\ndrivers = null\nhrtf = false\nchannels = stereo\n");
  benchmark::Initialize(&argc, argv);
  korvane::createSoundDevice();
  if (!korvane::openSoundDevice(*korvane::soundDevice(), nullptr)) {
    std::puts("no null output: nothing measured");
  } else {
    benchmark::RunSpecifiedBenchmarks();
    mixerCpu();
  }
  korvane::closeSoundDevice();
  benchmark::Shutdown();
  fs::remove_all(workDir);
  return 0;
}
