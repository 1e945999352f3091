// ".ddd" object files: the binary form read, written and read again, the text form and its
// conversion into the packed form, the messages of the error log, and damaged files of both.
#include "runtime/gfx3d/object_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cmath>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "runtime/gfx3d/normal_table.h"
#include "tests/support/files.h"
#include "tests/support/private_tmpdir.h"

namespace korvane {
namespace {

using testing::readFile;
using testing::writeFile;

// Little-endian bytes of a binary object, written field by field.
struct Bytes {
  std::string data;
  Bytes& u32(uint32_t v) {
    for (int i = 0; i < 4; ++i) data.push_back(static_cast<char>(v >> (8 * i)));
    return *this;
  }
  Bytes& f32(float f) {
    uint32_t bits;
    std::memcpy(&bits, &f, 4);
    return u32(bits);
  }
  Bytes& f64(double d) {
    uint64_t bits;
    std::memcpy(&bits, &d, 8);
    for (int i = 0; i < 8; ++i) data.push_back(static_cast<char>(bits >> (8 * i)));
    return *this;
  }
  Bytes& byte(uint8_t v) {
    data.push_back(static_cast<char>(v));
    return *this;
  }
  Bytes& vertex(uint8_t x, uint8_t y, uint8_t z, uint8_t normal, uint8_t colour) {
    data += std::string{static_cast<char>(x), static_cast<char>(y), static_cast<char>(z),
                        static_cast<char>(normal), static_cast<char>(colour)};
    return *this;
  }
};

constexpr uint32_t kRed = 0x000000FF;
constexpr uint32_t kBlue = 0x00FF0000;
constexpr uint32_t kNoColour = 0xFFFFFFFF;

// Two frames of a marker and three vertices, colours marker / white / blue / red, and three
// texture coordinates for four vertices.
Bytes sampleBinary(double version = 1.02) {
  Bytes b;
  b.u32(13021975).f64(version).u32(2).u32(4).u32(3);
  b.u32(kFaceMarker).u32(kNoColour).u32(kBlue).u32(kRed);
  b.f32(0.25f).f32(0.5f).f32(1).f32(0).f32(0.75f).f32(1);
  b.u32(4).f32(0).f32(-10).f32(5).f32(2).f32(0.5f).f32(1);
  b.vertex(9, 9, 9, 200, 0).vertex(0, 10, 5, 5, 1).vertex(255, 20, 0, 52, 2).vertex(4, 0, 7, 0, 3);
  b.u32(4).f32(1).f32(1).f32(1).f32(1).f32(1).f32(1);
  b.vertex(0, 0, 0, 0, 0).vertex(1, 2, 3, 161, 3).vertex(4, 5, 6, 32, 2).vertex(7, 8, 9, 84, 1);
  return b;
}

constexpr const char* kSampleText =
    "DDDA\n"
    "1.0\n"
    "# texture coordinates\n"
    "3  0 0  1 0  0.5 1\n"
    "2 # faces\n"
    "255 0 0  3  0 0  1 1  2 2\n"
    "0 0 255  3  0 0  2 2  3 1\n"
    "2\n"
    "4  0 0 0  10 0 0  0 20 0  10 20 5\n"
    "4  1 1 1  11 1 1  1 21 1  11 21 6\n";

class ObjectFileTest : public testing::PrivateTmpDirTest {
 protected:
  ObjectFileTest() : PrivateTmpDirTest("korvane-ddd-") {}

  std::string file(const std::string& name, const std::string& bytes) {
    const std::string path = (tmpDir() / name).string();
    writeFile(path, bytes);
    return path;
  }
  void deleteLog() { std::filesystem::remove(logPath()); }

  MeshObject mesh;
};

void expectPackedEqual(const MeshObject& a, const MeshObject& b) {
  ASSERT_EQ(a.frames.size(), b.frames.size());
  EXPECT_EQ(a.colours, b.colours);
  EXPECT_EQ(a.u, b.u);
  EXPECT_EQ(a.v, b.v);
  for (size_t f = 0; f < a.frames.size(); ++f) {
    const ObjectFrame& fa = a.frames[f];
    const ObjectFrame& fb = b.frames[f];
    ASSERT_EQ(fa.packed.size(), fb.packed.size());
    for (int axis = 0; axis < 3; ++axis) {
      EXPECT_EQ(fa.offset[axis], fb.offset[axis]);
      EXPECT_EQ(fa.scale[axis], fb.scale[axis]);
    }
    for (size_t i = 0; i < fa.packed.size(); ++i) {
      SCOPED_TRACE(::testing::Message() << "frame " << f << " vertex " << i);
      const PackedVertex& p = fa.packed[i];
      const PackedVertex& q = fb.packed[i];
      EXPECT_EQ(p.colour, q.colour);
      if (a.colours[p.colour] >= kFirstNoColour) continue;  // a marker's bytes mean nothing
      EXPECT_EQ(p.x, q.x);
      EXPECT_EQ(p.y, q.y);
      EXPECT_EQ(p.z, q.z);
      EXPECT_EQ(p.normal, q.normal);
    }
  }
}

// ---------------------------------------------------------------- binary form

TEST_F(ObjectFileTest, BinaryFileGivesPackedVerticesAndVertexRecords) {
  ASSERT_TRUE(readObjectFile(mesh, file("sample.ddd", sampleBinary().data), true));
  EXPECT_TRUE(mesh.normalsPresent);
  EXPECT_EQ(mesh.colours, (std::vector<uint32_t>{kFaceMarker, kNoColour, kBlue, kRed}));
  EXPECT_EQ(mesh.u, (std::vector<float>{0.25f, 1, 0.75f}));
  EXPECT_EQ(mesh.v, (std::vector<float>{0.5f, 0, 1}));
  ASSERT_EQ(mesh.frames.size(), 2u);
  const ObjectFrame& frame = mesh.frames[0];
  ASSERT_EQ(frame.packed.size(), 4u);
  ASSERT_EQ(frame.vertices.size(), 4u);
  EXPECT_EQ(frame.packed[2].x, 255);
  EXPECT_EQ(frame.packed[2].normal, 52);
  EXPECT_EQ(frame.packed[3].colour, 3);

  // (quantised - offset) * scale on each axis.
  const MeshVertex& white = frame.vertices[1];
  EXPECT_FLOAT_EQ(white.x, 0.0f);
  EXPECT_FLOAT_EQ(white.y, 10.0f);
  EXPECT_FLOAT_EQ(white.z, 0.0f);
  EXPECT_FLOAT_EQ(frame.vertices[2].x, 510.0f);
  EXPECT_FLOAT_EQ(frame.vertices[2].y, 15.0f);
  EXPECT_EQ(white.nx, kNormalTable[5].x);
  EXPECT_EQ(white.nz, kNormalTable[5].z);
  EXPECT_EQ(frame.vertices[2].nx, 1.0f);  // entry 52 is (1, 0, 0)
  // v negated; the fourth vertex has no coordinate of its own.
  EXPECT_EQ(white.u, 1.0f);
  EXPECT_EQ(white.v, -0.0f);
  EXPECT_EQ(frame.vertices[2].u, 0.75f);
  EXPECT_EQ(frame.vertices[2].v, -1.0f);
  EXPECT_EQ(frame.vertices[3].u, 0.0f);
  EXPECT_EQ(frame.vertices[3].v, 0.0f);
  // Colours: no colour is white, 0x00FF0000 is blue.
  EXPECT_EQ(white.colourValue, kNoColour);
  EXPECT_EQ((std::array<float, 3>{white.red, white.green, white.blue}),
            (std::array<float, 3>{1, 1, 1}));
  const MeshVertex& blue = frame.vertices[2];
  EXPECT_EQ((std::array<float, 3>{blue.red, blue.green, blue.blue}),
            (std::array<float, 3>{0, 0, 1}));
  EXPECT_EQ(blue.colourIndex, 2u);
  EXPECT_EQ(frame.vertices[3].red, 1.0f);
  EXPECT_EQ(frame.vertices[3].blue, 0.0f);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(blue.tangent[i], (&kNormalTable[0].x)[i]);
    EXPECT_EQ(blue.bitangent[i], (&kNormalTable[0].x)[i]);
  }
  EXPECT_EQ(frame.vertices[0].colourValue, kFaceMarker);
}

TEST_F(ObjectFileTest, BinaryFileWithoutVertexRecordsKeepsPackedVerticesOnly) {
  ASSERT_TRUE(readObjectFile(mesh, file("sample.ddd", sampleBinary().data), false));
  ASSERT_EQ(mesh.frames.size(), 2u);
  EXPECT_EQ(mesh.frames[1].packed.size(), 4u);
  EXPECT_TRUE(mesh.frames[1].vertices.empty());
}

TEST_F(ObjectFileTest, WrittenBinaryFileReadsBackTheSame) {
  const std::string original = sampleBinary().data;
  ASSERT_TRUE(readObjectFile(mesh, file("in.ddd", original), true));
  const std::string out = tmpDir().string() + "\\out.ddd";  // either separator
  ASSERT_TRUE(writeObjectFile(mesh, out));
  EXPECT_EQ(readFile(tmpDir() / "out.ddd"), original);
  MeshObject again;
  ASSERT_TRUE(readObjectFile(again, out, true));
  expectPackedEqual(mesh, again);

  // A text object written in binary form reads back with the same packed vertices too.
  ASSERT_TRUE(readObjectFile(mesh, file("in.txt", kSampleText), false));
  ASSERT_TRUE(writeObjectFile(mesh, out));
  ASSERT_TRUE(readObjectFile(again, out, false));
  expectPackedEqual(mesh, again);
  EXPECT_EQ(log(), "");
}

TEST_F(ObjectFileTest, VersionMustBeExactlyOnePointZeroTwo) {
  ASSERT_TRUE(readObjectFile(mesh, file("a.ddd", sampleBinary(1.02).data), true));
  for (double version : {1.0200000000000002, 1.0, 1.01999999999999}) {
    SCOPED_TRACE(version);
    deleteLog();
    const std::string path = file("b.ddd", sampleBinary(version).data);
    EXPECT_FALSE(readObjectFile(mesh, path, true));
    EXPECT_TRUE(mesh.frames.empty());
    EXPECT_EQ(log(), "Wrong .ddd version.\r\n# read error\r\n" + path + "\r\n");
  }
}

TEST(ObjectMessageTableTest, OneRowPerFailure) {
  struct Row {
    ObjectReadResult result;
    std::string text;
  };
  const Row expected[] = {
      {ObjectReadResult::wrongVersion, "Wrong .ddd version.|# read error"},
      {ObjectReadResult::readError, "# read error"},
      {ObjectReadResult::mallocError, "# malloc error"},
  };
  ASSERT_EQ(std::size(kObjectMessages), std::size(expected));
  for (size_t i = 0; i < std::size(expected); ++i) {
    const ObjectMessage& row = kObjectMessages[i];
    EXPECT_EQ(row.result, expected[i].result);
    std::string text = row.lines[0];
    if (row.lines[1] != nullptr) text += std::string("|") + row.lines[1];
    EXPECT_EQ(text, expected[i].text);
  }
}

TEST_F(ObjectFileTest, MissingFileAndOverlongNameAreFalseWithoutMessage) {
  EXPECT_FALSE(readObjectFile(mesh, (tmpDir() / "none.ddd").string(), true));
  EXPECT_FALSE(readObjectFile(mesh, std::string(1024, 'a'), true));
  EXPECT_FALSE(readObjectFile(mesh, tmpDir().string(), true));  // a directory
  EXPECT_EQ(log(), "");
}

// Damaged binary files: each refused whole, with its message, never half read.
TEST_F(ObjectFileTest, DamagedBinaryFilesAreRefused) {
  const std::string good = sampleBinary().data;
  constexpr size_t kHeader = 4 + 8 + 12;
  constexpr size_t kFirstFrame = kHeader + 16 + 24;
  auto patched = [&good](size_t at, const Bytes& with) {
    std::string bytes = good;
    bytes.replace(at, with.data.size(), with.data);
    return bytes;
  };
  struct Case {
    const char* what;
    std::string bytes;
    const char* message;
  };
  const Case cases[] = {
      {"shorter than the magic", good.substr(0, 3), "# read error"},
      {"ends in the version", good.substr(0, 9), "# read error"},
      {"ends in the counts", good.substr(0, 20), "# read error"},
      {"ends in the colours", good.substr(0, kHeader + 10), "# read error"},
      {"ends in the texture coordinates", good.substr(0, kHeader + 16 + 20), "# read error"},
      {"ends in a frame header", good.substr(0, kFirstFrame + 10), "# read error"},
      {"ends in the packed vertices", good.substr(0, good.size() - 3), "# read error"},
      {"negative frame count", patched(12, Bytes().u32(0xFFFFFFFF)), "# read error"},
      {"negative colour count", patched(16, Bytes().u32(0x80000000)), "# read error"},
      {"more frames than the file holds", patched(12, Bytes().u32(1000)), "# read error"},
      {"more colours than the file holds", patched(16, Bytes().u32(100)), "# read error"},
      {"a colour table too big to make", patched(16, Bytes().u32(1 << 28)), "# malloc error"},
      {"more vertices than the frame holds", patched(kFirstFrame, Bytes().u32(9)), "# read error"},
      {"negative vertex count", patched(kFirstFrame, Bytes().u32(0xFFFFFFF0)), "# read error"},
      {"colour index past the table", patched(kFirstFrame + 28 + 5 + 4, Bytes().byte(4)),
       "# read error"},
      {"normal index past the table", patched(kFirstFrame + 28 + 10 + 3, Bytes().byte(162)),
       "# read error"},
      {"texture coordinate not a number", patched(kHeader + 16, Bytes().f32(NAN)), "# read error"},
      {"infinite scale", patched(kFirstFrame + 16, Bytes().f32(INFINITY)), "# read error"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    deleteLog();
    const std::string path = file("damaged.ddd", c.bytes);
    EXPECT_FALSE(readObjectFile(mesh, path, true));
    EXPECT_TRUE(mesh.frames.empty());
    EXPECT_TRUE(mesh.colours.empty());
    EXPECT_TRUE(mesh.u.empty());
    EXPECT_EQ(log(), std::string(c.message) + "\r\n" + path + "\r\n");
  }
}

// ---------------------------------------------------------------- writing

TEST_F(ObjectFileTest, WriteThatCannotCreateTheFileIsFalse) {
  ASSERT_TRUE(readObjectFile(mesh, file("in.ddd", sampleBinary().data), true));
  EXPECT_FALSE(writeObjectFile(mesh, (tmpDir() / "missing" / "out.ddd").string()));
  EXPECT_FALSE(writeObjectFile(mesh, std::string(1024, 'b')));
}

// A write that fails half way (the file size limit of a child process) reports it and leaves the
// old file as it was.
TEST_F(ObjectFileTest, FailingWriteKeepsTheOldFile) {
  const std::string target = file("keep.ddd", "old contents");
  MeshObject big;
  big.colours = {kRed};
  ObjectFrame& frame = big.frames.emplace_back();
  frame.packed.resize(100000);
  EXPECT_EXIT(
      {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{};
        limit.rlim_cur = limit.rlim_max = 4096;
        setrlimit(RLIMIT_FSIZE, &limit);
        _exit(writeObjectFile(big, target) ? 1 : 0);
      },
      ::testing::ExitedWithCode(0), "");
  EXPECT_EQ(readFile(target), "old contents");
  std::vector<std::string> left;
  for (const auto& entry : std::filesystem::directory_iterator(tmpDir())) {
    left.push_back(entry.path().filename().string());
  }
  EXPECT_EQ(left, (std::vector<std::string>{"keep.ddd"}));  // no spare file stays behind
}

// ---------------------------------------------------------------- text form

TEST_F(ObjectFileTest, TextObjectIsConvertedIntoThePackedForm) {
  ASSERT_TRUE(readObjectFile(mesh, file("sample.txt", kSampleText), true));
  EXPECT_FALSE(mesh.normalsPresent);
  // Markers come first in the colour table, then the faces' colours in the order met.
  EXPECT_EQ(mesh.colours, (std::vector<uint32_t>{kFaceMarker, kRed, kBlue}));
  ASSERT_EQ(mesh.frames.size(), 2u);
  // Per record of the first frame, markers included, and not negated.
  EXPECT_EQ(mesh.u, (std::vector<float>{0, 0, 1, 0.5f, 0, 0, 0.5f, 1}));
  EXPECT_EQ(mesh.v, (std::vector<float>{0, 0, 0, 1, 0, 0, 1, 0}));
  const float expected[2][4][3] = {
      {{0, 0, 0}, {10, 0, 0}, {0, 20, 0}, {10, 20, 5}},
      {{1, 1, 1}, {11, 1, 1}, {1, 21, 1}, {11, 21, 6}},
  };
  const int corners[6] = {0, 1, 2, 0, 2, 3};
  for (int f = 0; f < 2; ++f) {
    const ObjectFrame& frame = mesh.frames[f];
    ASSERT_EQ(frame.packed.size(), 8u);
    ASSERT_EQ(frame.vertices.size(), 8u);
    const std::vector<int> colourIndices = {0, 1, 1, 1, 0, 2, 2, 2};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(frame.packed[i].colour, colourIndices[i]) << i;
    EXPECT_EQ(frame.vertices[0].colourValue, kFaceMarker);
    EXPECT_EQ(frame.vertices[0].red, 1.0f);
    EXPECT_EQ(frame.vertices[1].colourValue, kRed);
    EXPECT_EQ(frame.vertices[5].blue, 1.0f);
    EXPECT_EQ(frame.vertices[5].red, 0.0f);
    for (int c = 0; c < 6; ++c) {
      const int record = c < 3 ? 1 + c : 2 + c;
      const PackedVertex& p = frame.packed[record];
      float decoded[3];
      decodePosition(frame, p, decoded);
      for (int axis = 0; axis < 3; ++axis) {
        const float original = expected[f][corners[c]][axis];
        EXPECT_EQ((&frame.vertices[record].x)[axis], original);
        // Quantised to within one step of the frame's grid, the smallest value exactly.
        EXPECT_NEAR(decoded[axis], original, frame.scale[axis] * 1.001f) << f << " " << c;
      }
    }
    EXPECT_EQ(frame.packed[1].x, 0);
    EXPECT_GE(frame.packed[7].x, 254);  // (10, 20, 5), the last corner, is the largest
    EXPECT_GE(frame.packed[7].y, 254);
    EXPECT_GE(frame.packed[7].z, 254);
  }
  EXPECT_FLOAT_EQ(mesh.frames[1].scale[0], 10.0f / 255);
  EXPECT_FLOAT_EQ(mesh.frames[1].offset[0], -1.0f / (10.0f / 255));
}

TEST_F(ObjectFileTest, AnAxisWithEqualCoordinatesGetsScaleOne) {
  const std::string text = "DDDA 1.0 0 1 9 9 9 3 0 0 1 0 2 0 1 3 4 4 2 5 4 2 6 4 2\n";
  ASSERT_TRUE(readObjectFile(mesh, file("flat.txt", text), true));
  const ObjectFrame& frame = mesh.frames[0];
  EXPECT_FLOAT_EQ(frame.scale[0], 2.0f / 255);
  EXPECT_EQ(frame.scale[1], 1.0f);
  EXPECT_EQ(frame.offset[1], -4.0f);
  EXPECT_EQ(frame.scale[2], 1.0f);
  EXPECT_EQ(frame.offset[2], -2.0f);
  float decoded[3];
  decodePosition(frame, frame.packed[2], decoded);
  EXPECT_EQ(decoded[1], 4.0f);
  EXPECT_EQ(decoded[2], 2.0f);
  // A frame of markers only (a face without corners) has scale 1 and offset 0.
  ASSERT_TRUE(readObjectFile(mesh, file("empty.txt", "DDDA 1.0 0 1 1 2 3 0 1 0"), true));
  EXPECT_EQ(mesh.frames[0].packed.size(), 1u);
  for (int axis = 0; axis < 3; ++axis) {
    EXPECT_EQ(mesh.frames[0].scale[axis], 1.0f);
    EXPECT_EQ(mesh.frames[0].offset[axis], 0.0f);
  }
}

TEST_F(ObjectFileTest, VersionOnePointOneCarriesNormals) {
  // Version 1.1 read as a float is not above 1.1.
  const std::string text =
      "DDDA 1.1 0 1 0 0 0 3 0 0 1 0 2 0\n"
      "1 3  0 0 0 0 0 2  1 0 0 0 3 0  0 1 0 -1 0 0\n";
  ASSERT_TRUE(readObjectFile(mesh, file("normals.txt", text), true));
  const ObjectFrame& frame = mesh.frames[0];
  EXPECT_EQ(frame.vertices[1].nz, 1.0f);  // normalised from (0, 0, 2)
  EXPECT_EQ(frame.packed[1].normal, 5);   // (0, 0, 1)
  EXPECT_EQ(frame.packed[2].normal, 32);  // (0, 1, 0)
  EXPECT_EQ(frame.packed[3].normal, 143);
  // Version 1.0 reads three numbers a vertex: the same numbers make a frame of six vertices.
  const std::string older =
      "DDDA 1.0 0 1 0 0 0 3 0 0 1 0 5 0\n"
      "1 6  0 0 0 0 0 2  1 0 0 0 3 0  0 1 0 -1 0 0\n";
  ASSERT_TRUE(readObjectFile(mesh, file("older.txt", older), true));
  EXPECT_EQ(mesh.frames[0].vertices[3].x, -1.0f);
  EXPECT_EQ(mesh.frames[0].vertices[1].nz, 0.0f);
}

TEST_F(ObjectFileTest, CommentsMayStandAnywhere) {
  const std::string text =
      "DDDA#first line\r\n"
      "# a whole line\r\n"
      "1.0#version\r\n"
      "0 1 255 255 255 3#corners\n 0 0 1 0 2 0 1 # frames\n"
      "3 0 0 0 1 0 0 0 1 0#end";
  ASSERT_TRUE(readObjectFile(mesh, file("comments.txt", text), true));
  ASSERT_EQ(mesh.frames.size(), 1u);
  EXPECT_EQ(mesh.frames[0].vertices[2].x, 1.0f);
  EXPECT_EQ(mesh.frames[0].vertices[3].y, 1.0f);
  EXPECT_EQ(mesh.frames[0].vertices[3].z, 0.0f);
  EXPECT_EQ(mesh.colours[1], 0x00FFFFFFu);
}

// The nearest table normal, against the entry with the largest dot product (the smallest angle).
TEST(NearestNormalTest, PicksTheEntryClosestInAngle) {
  std::mt19937 random(7);
  std::normal_distribution<float> gauss;
  for (int i = 0; i < 2000; ++i) {
    float n[3] = {gauss(random), gauss(random), gauss(random)};
    const float length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    for (float& c : n) c /= length;
    int best = 0;
    double bestDot = -2;
    for (int t = 0; t < kNormalTableSize; ++t) {
      const NormalVector& e = kNormalTable[t];
      const double dot = double{n[0]} * e.x + double{n[1]} * e.y + double{n[2]} * e.z;
      if (dot > bestDot) {
        bestDot = dot;
        best = t;
      }
    }
    const int found = nearestNormalIndex(n[0], n[1], n[2]);
    if (found != best) {
      // Only a tie closer than float rounding may decide otherwise.
      const NormalVector& e = kNormalTable[found];
      EXPECT_NEAR(n[0] * e.x + n[1] * e.y + n[2] * e.z, bestDot, 1e-6) << i;
    }
  }
  // Each table entry finds itself; a zero vector ends the search at entry 0.
  for (int t = 0; t < kNormalTableSize; ++t) {
    const NormalVector& e = kNormalTable[t];
    EXPECT_EQ(nearestNormalIndex(e.x, e.y, e.z), t);
  }
  EXPECT_EQ(nearestNormalIndex(0, 0, 0), 0);
}

std::string manyColours(int count) {
  std::string text = "DDDA 1.0 0 " + std::to_string(count);
  for (int i = 0; i < count; ++i)
    text += " " + std::to_string(i % 256) + " " + std::to_string(i / 256) + " 0 1 0 0";
  return text + " 1 1 0 0 0";
}

// Damaged text files: each refused whole with "# read error", never half read.
TEST_F(ObjectFileTest, DamagedTextFilesAreRefused) {
  struct Case {
    const char* what;
    std::string text;
  };
  const std::string good =
      "DDDA 1.0 1 0.5 0.5 1 9 9 9 3 0 0 1 0 2 0 2 3 0 0 0 1 0 0 0 1 0 3 0 0 0 1 0 0 0 1 0";
  std::vector<Case> cases = {
      {"not DDDA", "DDDB 1.0 0 0 0"},
      {"DDDA as a prefix", "DDDAX 1.0 0 0 0"},
      {"version 1.2", "DDDA 1.2 0 0 0"},
      {"version not a number", "DDDA nan 0 0 0"},
      {"negative texture count", "DDDA 1.0 -1 0 0"},
      {"count not a number", "DDDA 1.0 0 nan 0"},
      {"count beyond 64 bits", "DDDA 1.0 0 1e30 0"},
      {"infinite coordinate", "DDDA 1.0 0 1 9 9 9 1 0 0 1 1 1e39 0 0"},
      {"corner vertex past a frame", "DDDA 1.0 0 1 9 9 9 1 3 0 1 1 0 0 0"},
      {"corner vertex past a later frame", "DDDA 1.0 0 1 9 9 9 1 1 0 2 2 0 0 0 1 1 1 1 0 0 0"},
      {"texture index past the list", "DDDA 1.0 1 0 0 1 9 9 9 1 0 1 1 1 0 0 0"},
      {"negative corner index", "DDDA 1.0 0 1 9 9 9 1 -1 0 1 1 0 0 0"},
      {"count beyond the file", "DDDA 1.0 0 1000000000 9 9 9"},
      {"a token too long", "DDDA 1.0 0 0 " + std::string(1024, '1')},
      {"257 colours with the face marker", manyColours(256)},
  };
  // Every cut of a good file at a space ends it inside a list.
  for (size_t at = good.find(' '); at != std::string::npos; at = good.find(' ', at + 1)) {
    cases.push_back({"cut short", good.substr(0, at)});
  }
  ASSERT_TRUE(readObjectFile(mesh, file("good.txt", good), true));
  // 255 face colours and the marker fit the one-byte index; the longest token fits.
  ASSERT_TRUE(readObjectFile(mesh, file("fits.txt", manyColours(255)), true));
  EXPECT_EQ(mesh.colours.size(), 256u);
  ASSERT_TRUE(
      readObjectFile(mesh, file("long.txt", "DDDA 1.0 0 0 " + std::string(1023, '0')), true));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what + (": " + c.text.substr(0, 80)));
    deleteLog();
    const std::string path = file("damaged.txt", c.text);
    EXPECT_FALSE(readObjectFile(mesh, path, true));
    EXPECT_TRUE(mesh.frames.empty());
    EXPECT_EQ(log(), "# read error\r\n" + path + "\r\n");
  }
}

TEST(NumberTokenTest, ReportsTheEndOfTheFile) {
  const std::string text = " 1.5\t-2e1\r\n#3\n 7x #";
  MemorySource source(text.data(), text.size());
  TokenReader reader(source);
  const float values[] = {1.5f, -20.0f, 7.0f};
  for (float value : values) {
    const NumberToken token = readNumberToken(reader);
    EXPECT_EQ(token.status, TokenStatus::ok);
    EXPECT_EQ(token.value, value);
  }
  const NumberToken end = readNumberToken(reader);
  EXPECT_EQ(end.status, TokenStatus::endOfFile);
  EXPECT_EQ(end.value, 0.0f);
}

}  // namespace
}  // namespace korvane
