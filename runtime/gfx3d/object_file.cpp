// Reading and writing ".ddd" object files.
#include "runtime/gfx3d/object_file.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>

#include "runtime/core/stop/error_stop.h"
#include "runtime/gfx3d/normal_table.h"
#include "runtime/lib/file_paths.h"
#include "runtime/platform/files.h"
#include "runtime/values/conversions.h"

namespace korvane {
namespace {

constexpr size_t kPackedVertexFileSize = 5;
// Frame header: vertex count, offset and scale triples.
constexpr size_t kFrameHeaderSize = 4 + 6 * 4;
constexpr char kTextMagic[] = "DDDA";

uint32_t le32(const uint8_t* b) {
  return uint32_t{b[0]} | uint32_t{b[1]} << 8 | uint32_t{b[2]} << 16 | uint32_t{b[3]} << 24;
}

float leFloat(const uint8_t* b) {
  const uint32_t bits = le32(b);
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

// Sequential reads of a byte source that fail past its end.
class Cursor {
 public:
  explicit Cursor(const ByteSource& source) : source_(source) {}
  bool read(void* out, size_t count) {
    if (!source_.readAt(position_, out, count)) return false;
    position_ += count;
    return true;
  }
  // Fills the whole of `block`.
  bool readBlock(std::vector<uint8_t>& block) {
    return block.empty() || read(block.data(), block.size());
  }
  bool u32(uint32_t& out) {
    uint8_t b[4];
    if (!read(b, 4)) return false;
    out = le32(b);
    return true;
  }
  bool i32(int32_t& out) {
    uint32_t bits;
    if (!u32(bits)) return false;
    out = static_cast<int32_t>(bits);
    return true;
  }
  bool finite(float& out) {
    uint8_t b[4];
    if (!read(b, 4)) return false;
    out = leFloat(b);
    return std::isfinite(out);
  }
  bool fits(uint64_t count) const { return rangeFits(source_.size(), position_, count); }

 private:
  const ByteSource& source_;
  uint64_t position_ = 0;
};

void setColourFloats(MeshVertex& record, uint32_t colour) {
  if (colour >= kFirstNoColour) {
    record.red = record.green = record.blue = 1.0f;
    return;
  }
  record.red = (colour & 0xFF) / 255.0f;
  record.green = ((colour >> 8) & 0xFF) / 255.0f;
  record.blue = ((colour >> 16) & 0xFF) / 255.0f;
}

ObjectReadResult readBinaryObject(MeshObject& mesh, const ByteSource& source, bool build) {
  Cursor in(source);
  uint32_t magic;
  if (!in.u32(magic) || magic != kObjectFileMagic) return ObjectReadResult::readError;
  uint8_t versionBytes[8];
  if (!in.read(versionBytes, 8)) return ObjectReadResult::readError;
  uint64_t versionBits = 0;
  for (int i = 7; i >= 0; --i) versionBits = versionBits << 8 | versionBytes[i];
  double version;
  std::memcpy(&version, &versionBits, sizeof version);
  if (version != kObjectFileVersion) return ObjectReadResult::wrongVersion;

  int32_t frameCount, colourCount, texCount;
  if (!in.i32(frameCount) || !in.i32(colourCount) || !in.i32(texCount)) {
    return ObjectReadResult::readError;
  }
  if (frameCount < 0 || colourCount < 0 || texCount < 0) return ObjectReadResult::readError;
  if (colourCount > kMaxObjectColours || texCount > kMaxObjectTexCoords) {
    return ObjectReadResult::mallocError;
  }
  // Every list must be there in full before anything is made for it.
  if (!in.fits(uint64_t{4} * colourCount + uint64_t{8} * texCount +
               uint64_t{kFrameHeaderSize} * frameCount)) {
    return ObjectReadResult::readError;
  }
  // Each list in one read: a file's bytes are fetched in blocks, never a few at a time.
  std::vector<uint8_t> block(uint64_t{4} * colourCount);
  if (!in.readBlock(block)) return ObjectReadResult::readError;
  mesh.colours.resize(colourCount);
  for (int32_t i = 0; i < colourCount; ++i)
    mesh.colours[i] = le32(&block[4 * static_cast<size_t>(i)]);
  block.resize(uint64_t{8} * texCount);
  if (!in.readBlock(block)) return ObjectReadResult::readError;
  mesh.u.resize(texCount);
  mesh.v.resize(texCount);
  for (int32_t i = 0; i < texCount; ++i) {
    mesh.u[i] = leFloat(&block[8 * static_cast<size_t>(i)]);
    mesh.v[i] = leFloat(&block[8 * static_cast<size_t>(i) + 4]);
    if (!std::isfinite(mesh.u[i]) || !std::isfinite(mesh.v[i])) {
      return ObjectReadResult::readError;
    }
  }

  int64_t total = 0;
  mesh.frames.reserve(frameCount);
  for (int32_t f = 0; f < frameCount; ++f) {
    ObjectFrame& frame = mesh.frames.emplace_back();
    int32_t count;
    if (!in.i32(count) || count < 0) return ObjectReadResult::readError;
    for (float& o : frame.offset) {
      if (!in.finite(o)) return ObjectReadResult::readError;
    }
    for (float& s : frame.scale) {
      if (!in.finite(s)) return ObjectReadResult::readError;
    }
    if (!in.fits(uint64_t{kPackedVertexFileSize} * count)) return ObjectReadResult::readError;
    total += count;
    if (total > kMaxObjectVertices) return ObjectReadResult::mallocError;
    block.resize(kPackedVertexFileSize * static_cast<size_t>(count));
    if (!in.readBlock(block)) return ObjectReadResult::readError;
    frame.packed.resize(count);
    if (build) frame.vertices.resize(count);
    for (int32_t i = 0; i < count; ++i) {
      const uint8_t* b = &block[kPackedVertexFileSize * static_cast<size_t>(i)];
      PackedVertex& p = frame.packed[i];
      p.x = b[0];
      p.y = b[1];
      p.z = b[2];
      p.normal = b[3];
      p.colour = b[4];
      if (p.colour >= colourCount) return ObjectReadResult::readError;
      const uint32_t colour = mesh.colours[p.colour];
      // A marker's position and normal bytes mean nothing; a vertex's normal must be in the table.
      const bool marker = colour >= kFirstNoColour;
      if (!marker && p.normal >= kNormalTableSize) return ObjectReadResult::readError;
      if (!build) continue;
      MeshVertex& r = frame.vertices[i];
      float position[3];
      decodePosition(frame, p, position);
      r.x = position[0];
      r.y = position[1];
      r.z = position[2];
      const NormalVector& n = normalAt(p.normal);
      r.nx = n.x;
      r.ny = n.y;
      r.nz = n.z;
      // Coordinates past the list's end are (0, 0).
      if (i < texCount) {
        r.u = mesh.u[i];
        r.v = -mesh.v[i];
      }
      const NormalVector& first = kNormalTable[0];
      r.tangent[0] = r.bitangent[0] = first.x;
      r.tangent[1] = r.bitangent[1] = first.y;
      r.tangent[2] = r.bitangent[2] = first.z;
      r.colourValue = colour;
      r.colourIndex = p.colour;
      setColourFloats(r, colour);
    }
  }
  mesh.normalsPresent = true;
  return ObjectReadResult::ok;
}

// One record per face marker and face corner, frame by frame.
ObjectReadResult buildTextRecords(MeshObject& mesh, const TextObject& object) {
  int64_t perFrame = 0;
  for (const TextFace& face : object.faces)
    perFrame += 1 + static_cast<int64_t>(face.corners.size());
  if (!object.frames.empty() &&
      perFrame > kMaxObjectVertices / static_cast<int64_t>(object.frames.size())) {
    return ObjectReadResult::mallocError;
  }
  const bool textured = !object.u.empty();
  mesh.frames.reserve(object.frames.size());
  for (const std::vector<TextObjectVertex>& vertices : object.frames) {
    ObjectFrame& frame = mesh.frames.emplace_back();
    frame.vertices.reserve(perFrame);
    for (const TextFace& face : object.faces) {
      MeshVertex& marker = frame.vertices.emplace_back();
      marker.colourValue = kFaceMarker;
      marker.red = marker.green = marker.blue = 1.0f;
      const uint32_t colour = face.red | uint32_t{face.green} << 8 | uint32_t{face.blue} << 16;
      for (const TextCorner& corner : face.corners) {
        MeshVertex& r = frame.vertices.emplace_back();
        const TextObjectVertex& p = vertices[corner.vertex];
        r.x = p.x;
        r.y = p.y;
        r.z = p.z;
        r.nx = p.nx;
        r.ny = p.ny;
        r.nz = p.nz;
        if (textured) {
          r.u = object.u[corner.texture];
          r.v = object.v[corner.texture];
        }
        r.colourValue = colour;
        setColourFloats(r, colour);
      }
    }
  }
  return ObjectReadResult::ok;
}

ObjectReadResult readTextForm(MeshObject& mesh, const ByteSource& source) {
  TextObject object;
  ObjectReadResult result = readTextObject(object, source);
  if (result != ObjectReadResult::ok) return result;
  result = buildTextRecords(mesh, object);
  if (result != ObjectReadResult::ok) return result;
  return packFrames(mesh) ? ObjectReadResult::ok : ObjectReadResult::readError;
}

bool isTokenSpace(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// Counts and indices: the number truncated. False for a negative count.
bool countOf(const NumberToken& token, int64_t& out) {
  if (token.status != TokenStatus::ok || !std::isfinite(token.value)) return false;
  // Through 64 bits, where a number too large for them is no count either.
  out = truncateToInt64(token.value);
  return out >= 0;
}

// A count can be no larger than the numbers left in the file (each takes two bytes at least).
bool plausibleCount(const TokenReader& in, int64_t count, int64_t numbersEach) {
  return count <= static_cast<int64_t>(in.remaining() / 2 + 1) / numbersEach;
}

}  // namespace

// ---------------------------------------------------------------- tokens

int TokenReader::nextByte() {
  if (used_ == buffered_) {
    const uint64_t left = source_.size() - position_;
    if (left == 0) return -1;
    const size_t want = left < sizeof buffer_ ? static_cast<size_t>(left) : sizeof buffer_;
    if (!source_.readAt(position_, buffer_, want)) {
      position_ = source_.size();
      return -1;
    }
    position_ += want;
    buffered_ = want;
    used_ = 0;
  }
  return buffer_[used_++];
}

void TokenReader::skipLine() {
  for (int c = nextByte(); c != -1 && c != '\n'; c = nextByte()) {
  }
}

TokenStatus TokenReader::next(std::string& token) {
  token.clear();
  for (;;) {
    const int c = nextByte();
    if (c == -1) return token.empty() ? TokenStatus::endOfFile : TokenStatus::ok;
    if (c == '#') {
      skipLine();
      if (!token.empty()) return TokenStatus::ok;
      continue;
    }
    if (isTokenSpace(c)) {
      if (!token.empty()) return TokenStatus::ok;
      continue;
    }
    if (token.size() == kMaxObjectToken) return TokenStatus::tooLong;
    token.push_back(static_cast<char>(c));
  }
}

NumberToken readNumberToken(TokenReader& file) {
  std::string token;
  NumberToken result;
  result.status = file.next(token);
  if (result.status == TokenStatus::ok) {
    result.value = static_cast<float>(std::atof(token.c_str()));
  }
  return result;
}

ObjectReadResult readTextObject(TextObject& object, const ByteSource& source) {
  object = TextObject{};
  TokenReader in(source);
  std::string word;
  if (in.next(word) != TokenStatus::ok || word != kTextMagic) return ObjectReadResult::readError;
  auto number = [&in](float& out) {
    const NumberToken token = readNumberToken(in);
    out = token.value;
    return token.status == TokenStatus::ok && std::isfinite(token.value);
  };
  auto count = [&in](int64_t& out, int64_t numbersEach) {
    return countOf(readNumberToken(in), out) && plausibleCount(in, out, numbersEach);
  };

  if (!number(object.version) || object.version > kNewestTextVersion) {
    return ObjectReadResult::readError;
  }
  const bool withNormals = object.version >= kTextVersionWithNormals;

  int64_t texCount;
  if (!count(texCount, 2)) return ObjectReadResult::readError;
  object.u.resize(texCount);
  object.v.resize(texCount);
  for (int64_t i = 0; i < texCount; ++i) {
    if (!number(object.u[i]) || !number(object.v[i])) return ObjectReadResult::readError;
  }

  int64_t faceCount;
  if (!count(faceCount, 4)) return ObjectReadResult::readError;
  object.faces.resize(faceCount);
  for (TextFace& face : object.faces) {
    float rgb[3];
    for (float& channel : rgb) {
      if (!number(channel)) return ObjectReadResult::readError;
    }
    // The low byte of each channel, as an integer of the file's number.
    face.red = static_cast<uint8_t>(truncateToInt64(rgb[0]));
    face.green = static_cast<uint8_t>(truncateToInt64(rgb[1]));
    face.blue = static_cast<uint8_t>(truncateToInt64(rgb[2]));
    int64_t corners;
    if (!count(corners, 2)) return ObjectReadResult::readError;
    face.corners.resize(corners);
    for (TextCorner& corner : face.corners) {
      int64_t vertex, texture;
      if (!countOf(readNumberToken(in), vertex) || !countOf(readNumberToken(in), texture)) {
        return ObjectReadResult::readError;
      }
      if (vertex > INT32_MAX || texture > INT32_MAX) return ObjectReadResult::readError;
      corner.vertex = static_cast<int32_t>(vertex);
      corner.texture = static_cast<int32_t>(texture);
      if (texCount > 0 && texture >= texCount) return ObjectReadResult::readError;
    }
  }

  int64_t frameCount;
  if (!count(frameCount, 1)) return ObjectReadResult::readError;
  object.frames.resize(frameCount);
  const int64_t numbersEach = withNormals ? 6 : 3;
  for (std::vector<TextObjectVertex>& frame : object.frames) {
    int64_t vertexCount;
    if (!count(vertexCount, numbersEach)) return ObjectReadResult::readError;
    frame.resize(vertexCount);
    for (TextObjectVertex& p : frame) {
      if (!number(p.x) || !number(p.y) || !number(p.z)) return ObjectReadResult::readError;
      if (withNormals && (!number(p.nx) || !number(p.ny) || !number(p.nz))) {
        return ObjectReadResult::readError;
      }
    }
    // Every frame must hold every vertex a face names.
    for (const TextFace& face : object.faces) {
      for (const TextCorner& corner : face.corners) {
        if (corner.vertex >= vertexCount) return ObjectReadResult::readError;
      }
    }
  }
  return ObjectReadResult::ok;
}

// ---------------------------------------------------------------- whole files

ObjectReadResult parseObjectFile(MeshObject& mesh, const ByteSource& source,
                                 bool buildVertexRecords) {
  mesh.clear();
  ObjectReadResult result = ObjectReadResult::readError;
  try {
    uint8_t magic[4];
    if (source.readAt(0, magic, sizeof magic)) {
      result = le32(magic) == kObjectFileMagic ? readBinaryObject(mesh, source, buildVertexRecords)
                                               : readTextForm(mesh, source);
    }
  } catch (const std::bad_alloc&) {
    result = ObjectReadResult::mallocError;
  }
  if (result != ObjectReadResult::ok) mesh.clear();
  return result;
}

bool readObjectFile(MeshObject& mesh, std::string_view fileName, bool buildVertexRecords) {
  mesh.clear();
  if (fileName.size() > kMaxObjectFileName) return false;
  const std::string path = toSystemPath(fileName);
  // Held exclusively while it is read, so no other exclusive user changes it meanwhile.
  const platform::FileHandle lock = platform::openForReading(path, true);
  if (lock == platform::kNoFileHandle) return false;
  ObjectReadResult result = ObjectReadResult::readError;
  {
    FileSource source(path);
    if (source.isOpen()) result = parseObjectFile(mesh, source, buildVertexRecords);
  }
  platform::closeFile(lock);
  if (result == ObjectReadResult::ok) return true;
  for (const ObjectMessage& message : kObjectMessages) {
    if (message.result != result) continue;
    for (const char* line : message.lines) {
      if (line != nullptr) appendErrorLog(line);
    }
  }
  appendErrorLog(path);
  return false;
}

std::string encodeObjectFile(const MeshObject& mesh) {
  std::string out;
  auto put32 = [&out](uint32_t value) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>(value >> (8 * i) & 0xFF));
  };
  auto putFloat = [&put32](float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    put32(bits);
  };
  const size_t texCount = mesh.u.size() < mesh.v.size() ? mesh.u.size() : mesh.v.size();
  put32(kObjectFileMagic);
  uint64_t versionBits;
  std::memcpy(&versionBits, &kObjectFileVersion, sizeof versionBits);
  for (int i = 0; i < 8; ++i) out.push_back(static_cast<char>(versionBits >> (8 * i) & 0xFF));
  put32(static_cast<uint32_t>(mesh.frames.size()));
  put32(static_cast<uint32_t>(mesh.colours.size()));
  put32(static_cast<uint32_t>(texCount));
  for (uint32_t colour : mesh.colours) put32(colour);
  for (size_t i = 0; i < texCount; ++i) {
    putFloat(mesh.u[i]);
    putFloat(mesh.v[i]);
  }
  for (const ObjectFrame& frame : mesh.frames) {
    put32(static_cast<uint32_t>(frame.packed.size()));
    for (float o : frame.offset) putFloat(o);
    for (float s : frame.scale) putFloat(s);
    for (const PackedVertex& p : frame.packed) {
      const char bytes[kPackedVertexFileSize] = {
          static_cast<char>(p.x),      static_cast<char>(p.y),      static_cast<char>(p.z),
          static_cast<char>(p.normal), static_cast<char>(p.colour),
      };
      out.append(bytes, sizeof bytes);
    }
  }
  return out;
}

bool writeObjectFile(const MeshObject& mesh, std::string_view fileName) {
  if (fileName.size() > kMaxObjectFileName) return false;
  std::string bytes;
  try {
    bytes = encodeObjectFile(mesh);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return platform::replaceFileWhole(toSystemPath(fileName), bytes.data(), bytes.size());
}

}  // namespace korvane
