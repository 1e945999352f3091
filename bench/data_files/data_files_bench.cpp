// Data file and INI costs: a cached line, two files read alternately (each read loads a file),
// an INI document of 10,000 entries read, looked up and saved, and listing 10,000 entries.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "runtime/lib/data_file_cache.h"
#include "runtime/lib/directory_listing.h"
#include "runtime/lib/ini_document.h"

namespace {

using korvane::RtString;

// A folder of the benchmark's own under the system's temporary directory, removed at exit.
class Folder {
 public:
  explicit Folder(const std::string& name)
      : path_(std::filesystem::temp_directory_path() /
              ("korvane-bench-" + name + "-" + std::to_string(getpid()))) {
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~Folder() { std::filesystem::remove_all(path_); }
  std::string file(const std::string& name) const { return (path_ / name).string(); }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

void write(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

std::string numberedLines(const char* word, int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += std::string(word) + " " + std::to_string(i) + "\r\n";
  return text;
}

void BM_ReadDataLineCached(benchmark::State& state) {
  Folder folder("cached");
  const RtString path(std::string_view(folder.file("data.txt")));
  write(folder.file("data.txt"), numberedLines("line", 256));
  korvane::readDataLine(path, 0);
  double index = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(korvane::readDataLine(path, index));
    index = index == 255 ? 0 : index + 1;
  }
}
BENCHMARK(BM_ReadDataLineCached);

void BM_ReadTwoFilesAlternately(benchmark::State& state) {
  Folder folder("alternate");
  const RtString a(std::string_view(folder.file("a.txt")));
  const RtString b(std::string_view(folder.file("b.txt")));
  write(folder.file("a.txt"), numberedLines("a", 256));
  write(folder.file("b.txt"), numberedLines("b", 256));
  for (auto _ : state) {
    benchmark::DoNotOptimize(korvane::readDataLine(a, 10));
    benchmark::DoNotOptimize(korvane::readDataLine(b, 10));
  }
  state.SetItemsProcessed(2 * state.iterations());
  korvane::dataFileCache().load("");
}
BENCHMARK(BM_ReadTwoFilesAlternately);

void BM_IniOfTenThousandEntries(benchmark::State& state) {
  Folder folder("ini");
  const std::string file = folder.file("big.ini");
  std::string text;
  for (int s = 0; s < 100; ++s) {
    text += "[Section" + std::to_string(s) + "]\r\n";
    for (int e = 0; e < 100; ++e) {
      text += "key" + std::to_string(e) + " = value " + std::to_string(s * 100 + e) + "\r\n";
    }
  }
  write(file, text);
  const RtString path{std::string_view(file)};
  for (auto _ : state) {
    korvane::openIni(path);
    // The last entry of the last section: the longest search.
    benchmark::DoNotOptimize(korvane::readIniValue("section99", "KEY99"));
    korvane::writeIniValue("Section50", "key50", "changed");
    korvane::saveIni();
  }
  korvane::iniDocument().open("");
}
BENCHMARK(BM_IniOfTenThousandEntries)->Unit(benchmark::kMillisecond);

void BM_ListDirectoryOfTenThousandEntries(benchmark::State& state) {
  Folder folder("list");
  for (int i = 0; i < 9900; ++i) write(folder.file("file" + std::to_string(i) + ".png"), "");
  for (int i = 0; i < 98; ++i)
    std::filesystem::create_directory(folder.path() / ("d" + std::to_string(i)));
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(folder.path());
  korvane::RtArray<RtString> names;
  for (auto _ : state) benchmark::DoNotOptimize(korvane::listDirectory("*.png", names));
  std::filesystem::current_path(previous);
}
BENCHMARK(BM_ListDirectoryOfTenThousandEntries)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
