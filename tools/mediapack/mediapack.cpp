// mediapack: packs files into an "sbX" media pack, or lists a pack's entries.
//   mediapack create [--negative] PACK FILE...
//   mediapack list PACK
//   mediapack --help
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "runtime/lib/byte_source.h"
#include "runtime/lib/media_pack.h"
#include "tools/mediapack/pack_writer.h"

namespace {

using korvane::mediapack::OffsetSign;
using korvane::mediapack::PackInput;

constexpr const char* kUsage =
    "usage: mediapack create [--negative] PACK FILE...\n"
    "       mediapack list PACK\n"
    "       mediapack --help\n"
    "create stores each FILE under its name without directories, LZO1X-compressed;\n"
    "--negative counts offsets from the end of the pack, so it may be appended to a file.\n"
    "list prints one line per entry: name, size (or \"damaged\"), stored size, offset;\n"
    "it fails when the pack or any entry is damaged.\n";

// Asked for, the usage is the answer; given after a wrong command line, it is the complaint.
int usage(bool asked) {
  std::fputs(kUsage, asked ? stdout : stderr);
  return asked ? 0 : 2;
}

bool readWholeFile(const std::string& path, std::vector<uint8_t>& data) {
  std::ifstream in(path, std::ios::binary);
  if (!in || std::filesystem::is_directory(path)) return false;
  data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

int create(const std::string& packPath, const std::vector<std::string>& files, OffsetSign sign) {
  std::vector<PackInput> inputs;
  for (const std::string& file : files) {
    PackInput input;
    input.name = std::filesystem::path(file).filename().string();
    if (!readWholeFile(file, input.data)) {
      std::fprintf(stderr, "mediapack: cannot read %s\n", file.c_str());
      return 1;
    }
    inputs.push_back(std::move(input));
  }
  std::vector<uint8_t> pack;
  std::string error;
  if (!korvane::mediapack::buildPack(inputs, sign, pack, error)) {
    std::fprintf(stderr, "mediapack: %s\n", error.c_str());
    return 1;
  }
  std::ofstream out(packPath, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(pack.data()), static_cast<std::streamsize>(pack.size()));
  out.close();
  if (!out) {
    std::fprintf(stderr, "mediapack: cannot write %s\n", packPath.c_str());
    return 1;
  }
  return 0;
}

int list(const std::string& packPath) {
  korvane::FileSource source(packPath);
  if (!source.isOpen()) {
    std::fprintf(stderr, "mediapack: cannot read %s\n", packPath.c_str());
    return 1;
  }
  std::vector<korvane::MediaPackEntry> entries;
  korvane::MediaPackLookup status = korvane::listMediaPackEntries(source, entries);
  if (status == korvane::MediaPackLookup::kNotAPack) {
    std::fprintf(stderr, "mediapack: %s is not a media pack\n", packPath.c_str());
    return 1;
  }
  // name, raw size, stored size, data offset as stored; every entry is listed even when an
  // earlier one is damaged, so the listing shows which ones are.
  size_t damagedEntries = 0;
  for (const korvane::MediaPackEntry& e : entries) {
    std::vector<uint8_t> data;
    bool intact = korvane::extractMediaPackEntry(source, e, data);
    if (!intact) ++damagedEntries;
    std::printf("%s\t%s\t%d\t%d\n", e.name.c_str(),
                intact ? std::to_string(data.size()).c_str() : "damaged", e.storedSize,
                e.dataOffset);
  }
  if (status == korvane::MediaPackLookup::kDamaged) {
    std::fprintf(stderr, "mediapack: the directory of %s is damaged\n", packPath.c_str());
    return 1;
  }
  if (damagedEntries != 0) {
    std::fprintf(stderr, "mediapack: %zu of %zu entries of %s are damaged\n", damagedEntries,
                 entries.size(), packPath.c_str());
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) return usage(false);
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) return usage(true);
  if (args[0] == "list" && args.size() == 2) return list(args[1]);
  if (args[0] == "create") {
    OffsetSign sign = OffsetSign::kPositive;
    size_t next = 1;
    if (next < args.size() && (args[next] == "--negative" || args[next] == "-n")) {
      sign = OffsetSign::kNegative;
      ++next;
    }
    if (args.size() < next + 1) return usage(false);
    std::vector<std::string> files(args.begin() + static_cast<long>(next) + 1, args.end());
    return create(args[next], files, sign);
  }
  return usage(false);
}
