// httpGetToFile of a 100 MB file from a loopback server (python3 -m http.server) against
// `curl -o` of the same file from the same server in the same run: seconds per fetch, MB/s, and
// the ratio of the best times (goal: at most 1.2). Needs python3 and curl.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "runtime/lib/http_fetch.h"

namespace {

namespace fs = std::filesystem;

constexpr size_t kFileBytes = 100u * 1000 * 1000;
constexpr int kRounds = 7;
constexpr int kServerLifeSeconds = 900;

fs::path workDir;
int serverPort = 0;
std::string serverPid;

std::string fileText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void makeSourceFile() {
  fs::create_directories(workDir / "root");
  std::ofstream out(workDir / "root" / "big.bin", std::ios::binary);
  std::mt19937_64 random(42);
  std::string block(1 << 20, '\0');
  for (size_t done = 0; done < kFileBytes; done += block.size()) {
    for (size_t i = 0; i + 8 <= block.size(); i += 8) {
      const uint64_t word = random();
      std::copy_n(reinterpret_cast<const char*>(&word), 8, block.data() + i);
    }
    out.write(block.data(),
              static_cast<std::streamsize>(std::min(block.size(), kFileBytes - done)));
  }
}

bool startServer() {
  const std::string d = workDir.string();
  const std::string line = "timeout " + std::to_string(kServerLifeSeconds) +
                           " python3 -u -m http.server 0 --bind 127.0.0.1 --directory '" + d +
                           "/root' >'" + d + "/server.out' 2>&1 </dev/null & echo $! >'" + d +
                           "/server.pid'";
  if (std::system(line.c_str()) != 0) return false;
  serverPid = fileText(workDir / "server.pid");
  while (!serverPid.empty() && serverPid.back() == '\n') serverPid.pop_back();
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (std::chrono::steady_clock::now() < end) {
    // "Serving HTTP on 127.0.0.1 port N (...)"
    const std::string out = fileText(workDir / "server.out");
    const size_t port = out.find(" port ");
    if (port != std::string::npos) {
      serverPort = std::atoi(out.c_str() + port + 6);
      return serverPort > 0;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}

bool sameSize(const fs::path& path) {
  std::error_code error;
  return fs::file_size(path, error) == kFileBytes;
}

// One timed fetch into a fresh target; a negative time when it failed or the file is short.
template <typename Fetch>
double timeFetch(Fetch fetch) {
  const fs::path target = workDir / "got.bin";
  fs::remove(target);
  const auto start = std::chrono::steady_clock::now();
  const bool ok = fetch(target);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return ok && sameSize(target) ? seconds : -1;
}

bool fetchWithRuntime(const fs::path& target) {
  return korvane::httpGetToFile(korvane::RtString("127.0.0.1"), korvane::RtString("/big.bin"),
                                serverPort, korvane::RtString(target.string().c_str())) == 1.0;
}

bool fetchWithCurl(const fs::path& target) {
  const std::string command = "curl -s -f -o '" + target.string() +
                              "' http://127.0.0.1:" + std::to_string(serverPort) + "/big.bin";
  return std::system(command.c_str()) == 0;
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// The two clients take turns, so a change in the machine's load falls on both alike.
void compare() {
  std::vector<double> runtime;
  std::vector<double> curl;
  for (int round = 0; round < kRounds; ++round) {
    const double a = timeFetch(fetchWithRuntime);
    const double b = timeFetch(fetchWithCurl);
    if (a < 0 || b < 0) {
      std::printf("http: round %d: %s failed\n", round, a < 0 ? "httpGetToFile" : "curl -o");
      return;
    }
    runtime.push_back(a);
    curl.push_back(b);
  }
  const double bestRuntime = *std::min_element(runtime.begin(), runtime.end());
  const double bestCurl = *std::min_element(curl.begin(), curl.end());
  const double mb = kFileBytes / 1e6;
  std::printf("http: 100 MB over loopback, %d rounds taking turns\n", kRounds);
  std::printf("http: httpGetToFile best %.3f s (%.0f MB/s), median %.3f s\n", bestRuntime,
              mb / bestRuntime, median(runtime));
  std::printf("http: curl -o       best %.3f s (%.0f MB/s), median %.3f s\n", bestCurl,
              mb / bestCurl, median(curl));
  std::printf("http: ratio of best times %.2f, of medians %.2f (goal at most 1.2)\n",
              bestRuntime / bestCurl, median(runtime) / median(curl));
}

}  // namespace

int main() {
  workDir =
      fs::temp_directory_path() / ("korvane-http-bench-" + std::to_string(std::random_device{}()));
  fs::remove_all(workDir);
  makeSourceFile();
  if (!startServer()) {
    std::puts("http: the loopback server did not start: nothing measured");
  } else {
    compare();
  }
  if (!serverPid.empty()) std::system(("kill " + serverPid + " 2>/dev/null").c_str());
  fs::remove_all(workDir);
  return 0;
}
