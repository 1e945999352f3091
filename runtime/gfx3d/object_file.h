// ".ddd" 3D object files: the binary form (read and written) and the "DDDA" text form (read and
// converted into the packed form). Every count, index and number of a file is checked before
// it is used; a file that names what it does not hold is refused.
#pragma once

#include <cstdint>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/gfx3d/mesh_object.h"
#include "runtime/lib/byte_source.h"

namespace korvane {

inline constexpr uint32_t kObjectFileMagic = 13021975u;  // 0x00C6B317
inline constexpr double kObjectFileVersion = 1.02;
// Text files of a later version are refused; from this one on they carry vertex normals.
inline constexpr float kNewestTextVersion = 1.1f;
inline constexpr float kTextVersionWithNormals = 1.1f;
// Longest token, and longest file name, a reader accepts.
inline constexpr size_t kMaxObjectToken = 1023;
inline constexpr size_t kMaxObjectFileName = 1023;
// All frames of one object together hold at most this many vertex records; the colour table
// and the texture coordinate list at most these many entries.
inline constexpr int64_t kMaxObjectVertices = int64_t{1} << 22;
inline constexpr int64_t kMaxObjectColours = int64_t{1} << 20;
inline constexpr int64_t kMaxObjectTexCoords = int64_t{1} << 22;

enum class ObjectReadResult { ok, wrongVersion, readError, mallocError };

// The lines a failed read appends to the error log before the file name, one row per result.
struct ObjectMessage {
  ObjectReadResult result;
  const char* lines[2];  // nullptr where there is no second line
};
inline constexpr ObjectMessage kObjectMessages[] = {
    {ObjectReadResult::wrongVersion, {"Wrong .ddd version.", "# read error"}},
    {ObjectReadResult::readError, {"# read error", nullptr}},
    {ObjectReadResult::mallocError, {"# malloc error", nullptr}},
};
static_assert(std::size(kObjectMessages) == 3);

// Reads either form from `source` into `mesh` (cleared first, and again on failure). With
// `buildVertexRecords` false a binary file yields packed vertices only; text objects always get
// their vertex records, then their packed form.
ObjectReadResult parseObjectFile(MeshObject& mesh, const ByteSource& source,
                                 bool buildVertexRecords);

// The same from a file, held exclusively while it is read ("\" and "/" both separate
// directories). A missing file (or a name over kMaxObjectFileName characters) is false without
// a message; any other failure appends its message lines and the file name to the error log.
bool readObjectFile(MeshObject& mesh, std::string_view fileName, bool buildVertexRecords);

// ---------------------------------------------------------------- the text form

enum class TokenStatus { ok, endOfFile, tooLong };

// Tokens of a text object: runs of bytes between spaces, tabs, line feeds and carriage returns;
// "#" ends a token and skips the rest of its line.
class TokenReader {
 public:
  explicit TokenReader(const ByteSource& source) : source_(source) {}
  // The next token into `token`. endOfFile when the file ends before a token begins; tooLong
  // for a token over kMaxObjectToken bytes.
  TokenStatus next(std::string& token);
  uint64_t position() const { return position_; }
  // Bytes not yet handed out as part of a token.
  uint64_t remaining() const { return source_.size() - position_ + (buffered_ - used_); }

 private:
  // The next byte, or -1 at the end (or on a read failure, which ends the file here).
  int nextByte();
  void skipLine();

  const ByteSource& source_;
  uint64_t position_ = 0;  // of the byte after the buffered ones
  uint8_t buffer_[4096];
  size_t buffered_ = 0;
  size_t used_ = 0;
};

struct NumberToken {
  float value = 0;  // as atof reads the token, narrowed; 0 without a token
  TokenStatus status = TokenStatus::endOfFile;
};
NumberToken readNumberToken(TokenReader& file);

struct TextCorner {
  int32_t vertex = 0;
  int32_t texture = 0;
};
struct TextFace {
  uint8_t red = 0, green = 0, blue = 0;
  std::vector<TextCorner> corners;
};
struct TextObjectVertex {
  float x = 0, y = 0, z = 0;
  float nx = 0, ny = 0, nz = 0;  // 0 before version 1.1
};
struct TextObject {
  float version = 0;
  std::vector<float> u;
  std::vector<float> v;
  std::vector<TextFace> faces;
  std::vector<std::vector<TextObjectVertex>> frames;
};

// Reads the text form, checking every corner's indices against every frame and the texture
// coordinate list. readError for anything short, damaged or out of range.
ObjectReadResult readTextObject(TextObject& object, const ByteSource& source);

// ---------------------------------------------------------------- the binary form

// The binary form of `mesh` (its packed vertices, colours and texture coordinates).
std::string encodeObjectFile(const MeshObject& mesh);

// Writes the binary form whole: the old file stays until every byte of the new one is on the
// disk. False when the file could not be written (the old one is then unchanged).
bool writeObjectFile(const MeshObject& mesh, std::string_view fileName);

}  // namespace korvane
