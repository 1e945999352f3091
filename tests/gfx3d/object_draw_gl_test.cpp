// Objects drawn on a real GL context under the virtual display, read back in pixels: a built
// triangle, a lit sphere, the view test under the movement stack, a binary file drawn like the
// object it was written from, text objects given normals, and sprite textures.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <fstream>
#include <vector>

#include "runtime/gfx2d/opengl_rainbows_internal.h"
#include "runtime/gfx3d/gfx3d_commands.h"
#include "runtime/gfx3d/normal_table.h"
#include "runtime/gfx3d/object_file.h"
#include "runtime/gfx3d/object_renderer.h"
#include "runtime/gfx3d/rainbows3d.h"
#include "tests/support/gl_pixels.h"
#include "tests/support/private_tmpdir.h"

namespace korvane {
namespace {

using testing::Rgb;

constexpr int kWidth = 320;
constexpr int kHeight = 240;
constexpr double kPi = 3.14159265358979;

Rgb pixel(int x, int y) { return testing::backBufferPixel(x, y, kHeight); }

// The whole back buffer, top row first.
std::vector<uint8_t> screen() {
  glFinish();
  glReadBuffer(GL_BACK);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  std::vector<uint8_t> rgb(kWidth * kHeight * 3);
  glReadPixels(0, 0, kWidth, kHeight, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
  return rgb;
}

int litPixels(const std::vector<uint8_t>& rgb) {
  int n = 0;
  for (size_t i = 0; i < rgb.size(); i += 3) n += rgb[i] + rgb[i + 1] + rgb[i + 2] > 60;
  return n;
}

class ObjectDrawTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    tmp_ = new testing::ProcessTmpDir("objects");
    display_ = new OpenGLRainbows;
    ASSERT_EQ(display_->createDisplay(nullptr, kWidth, kHeight, 0, 60, 0), 1);
    setDisplay(display_);
  }
  static void TearDownTestSuite() {
    setDisplay(nullptr);
    delete display_;
    display_ = nullptr;
    delete tmp_;
  }
  void SetUp() override {
    ASSERT_NE(display_, nullptr);
    display_->resetView(0, 0, 0, 0);
    display_->setAlphaMode(0);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    while (glGetError() != GL_NO_ERROR) {
    }
    view.beginScene3D(1, 100, 60);
    view.placeCamera(0, 0, 10, 0, 0, 0);
  }
  void TearDown() override { EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)); }

  static void buildTriangleThroughCommands() {
    beginObject(5);
    addObjectVertex(-2, -2, 0, 0, 0, 0xFF);
    addObjectVertex(2, -2, 0, 0, 0, 0xFF);
    addObjectVertex(0, 2, 0, 0, 0, 0xFF);
    endObject();
  }

  static void clearScreen() { glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT); }

  std::array<double, 2> onScreen(double x, double y, double z) {
    double sx = 0, sy = 0, depth = 0;
    view.worldToScreen(x, y, z, sx, sy, depth);
    return {sx, sy};
  }

  void buildTriangle(int slot, double size, double colour = 0x0000FF) {
    objects.beginObject(slot);
    objects.addObjectVertex(-size, -size, 0, 0, 0, colour);
    objects.addObjectVertex(size, -size, 0, 0, 0, colour);
    objects.addObjectVertex(0, size, 0, 0, 0, colour);
    objects.endObject();
  }

  // Latitude strips about the origin, ring r and ring r + 1 alternately (normals outward).
  void buildSphere(int slot, double radius, double colour) {
    constexpr int kRings = 16, kSegments = 32;
    objects.beginObject(slot);
    auto vertex = [&](int ring, int segment) {
      const double theta = kPi * ring / kRings, phi = 2 * kPi * segment / kSegments;
      objects.addObjectVertex(radius * std::sin(theta) * std::cos(phi), radius * std::cos(theta),
                              radius * std::sin(theta) * std::sin(phi), 0, 0, colour);
    };
    for (int r = 0; r < kRings; ++r) {
      if (r > 0) objects.newObjectStrip();
      for (int s = 0; s <= kSegments; ++s) {
        vertex(r, s);
        vertex(r + 1, s);
      }
    }
    objects.endObject();
  }

  static OpenGLRainbows* display_;
  static testing::ProcessTmpDir* tmp_;
  Rainbows3D view{display_};
  ObjectRenderer objects{view};
};
OpenGLRainbows* ObjectDrawTest::display_ = nullptr;
testing::ProcessTmpDir* ObjectDrawTest::tmp_ = nullptr;

TEST_F(ObjectDrawTest, BuiltRedTriangleCoversItsProjection) {
  buildTriangle(0, 3);
  objects.drawObject(0, 0);
  EXPECT_EQ(objects.lastDrawnTriangles(), 1u);
  const auto a = onScreen(-3, -3, 0), b = onScreen(3, -3, 0), c = onScreen(0, 3, 0);
  const double area = std::fabs((b[0] - a[0]) * (c[1] - a[1]) - (c[0] - a[0]) * (b[1] - a[1])) / 2;
  const std::vector<uint8_t> rgb = screen();
  int red = 0;
  for (size_t i = 0; i < rgb.size(); i += 3) {
    if (rgb[i] > 200 && rgb[i + 1] < 30 && rgb[i + 2] < 30) ++red;
  }
  EXPECT_NEAR(red, area, area * 0.03);
  EXPECT_EQ(litPixels(rgb), red);
  // Inside near each corner, and outside beyond each edge.
  const double cx = (a[0] + b[0] + c[0]) / 3, cy = (a[1] + b[1] + c[1]) / 3;
  for (const auto& corner : {a, b, c}) {
    const int x = static_cast<int>(corner[0] + (cx - corner[0]) * 0.15);
    const int y = static_cast<int>(corner[1] + (cy - corner[1]) * 0.15);
    EXPECT_EQ(pixel(x, y), (Rgb{255, 0, 0})) << x << ", " << y;
  }
  EXPECT_EQ(pixel(static_cast<int>(cx), static_cast<int>(a[1] + 4)), (Rgb{0, 0, 0}));
  EXPECT_EQ(pixel(static_cast<int>(a[0] - 4), static_cast<int>(cy)), (Rgb{0, 0, 0}));
  EXPECT_EQ(pixel(static_cast<int>(c[0]), static_cast<int>(c[1] - 4)), (Rgb{0, 0, 0}));
}

TEST_F(ObjectDrawTest, LitSphereIsBrighterOnTheLightsSide) {
  view.setSmoothingMode(1);
  buildSphere(0, 3, 0xFFFFFF);
  // A directional light shining along -x: from the right.
  view.setLight(0, 0xFFFFFF, 0, 0, 0, -1, 0, 0, 180, 0);
  objects.drawObject(0, 0);
  const double z = std::sqrt(9 - 2.4 * 2.4);
  const auto right = onScreen(2.4, 0, z), left = onScreen(-2.4, 0, z), middle = onScreen(0, 0, 3);
  const Rgb r = pixel(static_cast<int>(right[0]), static_cast<int>(right[1]));
  const Rgb l = pixel(static_cast<int>(left[0]), static_cast<int>(left[1]));
  const Rgb m = pixel(static_cast<int>(middle[0]), static_cast<int>(middle[1]));
  EXPECT_GT(r[0], 150);
  EXPECT_GT(r[0], l[0] + 100);  // the far side has the ambient light only
  EXPECT_GT(r[0], m[0] + 40);   // facing the camera, lit at a grazing angle
  EXPECT_GT(m[0], l[0]);
  view.setLight(0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
}

TEST_F(ObjectDrawTest, TheMovementStackPlacesTheSphereOfTheViewTest) {
  buildTriangle(0, 1);
  // Far outside the view: nothing reaches GL.
  view.setMovementTranslation(1000, 0, 0);
  objects.drawObject(0, 0);
  EXPECT_EQ(objects.lastDrawnTriangles(), 0u);
  EXPECT_EQ(litPixels(screen()), 0);
  // Just outside, with a radius that does not reach in...
  view.setMovementTranslation(14, 0, 0);
  objects.drawObject(0, 0);
  EXPECT_EQ(objects.lastDrawnTriangles(), 0u);
  // ... until the scale makes the sphere ten times larger, and part of the triangle shows.
  view.setMovementScale(10, 10, 10);
  objects.drawObject(0, 0);
  EXPECT_EQ(objects.lastDrawnTriangles(), 1u);
  EXPECT_GT(litPixels(screen()), 1000);
  clearScreen();
  view.popMovement();
  objects.drawObject(0, 0);
  EXPECT_EQ(objects.lastDrawnTriangles(), 1u);
  const auto centre = onScreen(0, 0, 0);
  EXPECT_EQ(pixel(static_cast<int>(centre[0]), static_cast<int>(centre[1])), (Rgb{255, 0, 0}));
}

TEST_F(ObjectDrawTest, ABinaryFileDrawsLikeTheObjectItWasWrittenFrom) {
  view.setSmoothingMode(1);
  buildSphere(0, 3, 0x40C0FF);
  view.setLight(0, 0xFFFFFF, 0, 0, 0, -1, -0.5, -1, 180, 0);
  const std::string file = (tmp_->path() / "sphere.ddd").string();
  ASSERT_TRUE(writeObjectFile(objects.slot(0)->meshes.at(0), file));
  EXPECT_EQ(objects.loadObject(1, RtString(file)), 1);
  EXPECT_TRUE(objects.slot(1)->ready);

  objects.drawObject(0, 0);
  const std::vector<uint8_t> built = screen();
  clearScreen();
  objects.drawObject(1, 0);
  const std::vector<uint8_t> loaded = screen();
  EXPECT_GT(litPixels(built), 3000);
  EXPECT_TRUE(built == loaded);
  view.setLight(0, 0, 0, 0, 0, 0, 0, 0, 0, 0);

  // A missing file loads nothing and leaves the slot as it was.
  EXPECT_EQ(objects.loadObject(1, RtString((tmp_->path() / "none.ddd").string())), 0);
  EXPECT_TRUE(objects.slot(1)->ready);
  EXPECT_EQ(objects.slot(1)->meshes.size(), 1u);
}

TEST_F(ObjectDrawTest, TextObjectsWithoutNormalsGetThemByTheSmoothingMode) {
  // A version 1.0 quad in the plane z = 0: one face, its corners in order round it (each
  // corner with the two before it makes a triangle, none turned round).
  const std::string file = (tmp_->path() / "quad.ddd").string();
  std::ofstream(file) << "DDDA 1.0\n0\n1\n255 0 0 4 0 0 1 0 2 0 3 0\n"
                         "1\n4\n-2 -2 0\n-2 2 0\n2 2 0\n2 -2 0\n";
  struct Case {
    int mode;
    uint8_t normal;
  };
  // (p2 - p1) x (p1 - p0) of the first triangle points to +z; with mode 0 the zero normals of
  // the file stay table entry 0.
  for (const Case c : {Case{0, 0}, Case{1, 5}, Case{2, 5}}) {
    view.setSmoothingMode(c.mode);
    ASSERT_EQ(objects.loadObject(2, RtString(file)), 1) << c.mode;
    const MeshObjectX& mesh = objects.slot(2)->meshes.at(0);
    EXPECT_EQ(mesh.normalsPresent, c.mode != 0);
    for (size_t i = 1; i < mesh.frames.at(0).packed.size(); ++i) {
      EXPECT_EQ(mesh.frames[0].packed[i].normal, c.normal) << "mode " << c.mode << " vertex " << i;
    }
    objects.drawObject(2, 0);
    EXPECT_EQ(objects.lastDrawnTriangles(), 2u);
    objects.drawObject(2, 1);  // no second frame
    EXPECT_EQ(objects.lastDrawnTriangles(), 0u);
  }
}

TEST_F(ObjectDrawTest, SpriteTexturesAreReferredToAndNeverDeleted) {
  // Sprite 7: a 2 x 2 picture in the corner of a 4 x 4 texture, rows stored bottom-up: the
  // picture's bottom row blue, its top row red, the rest of the texture green.
  GLuint texture = 0;
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  uint8_t texels[4 * 4 * 3];
  for (int row = 0; row < 4; ++row) {
    for (int column = 0; column < 4; ++column) {
      uint8_t* t = &texels[(row * 4 + column) * 3];
      const bool picture = row < 2 && column < 2;
      t[0] = picture && row == 1 ? 255 : 0;
      t[1] = picture ? 0 : 255;
      t[2] = picture && row == 0 ? 255 : 0;
    }
  }
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 4, 4, 0, GL_RGB, GL_UNSIGNED_BYTE, texels);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glBindTexture(GL_TEXTURE_2D, 0);
  SpriteEntry& entry = *display_->spriteEntry(7);
  entry.texture = texture;
  entry.textureWidth = entry.textureHeight = 4;
  entry.width = entry.height = 2;

  // A white quad with u across and v down the picture.
  objects.beginObject(3);
  objects.addObjectVertex(-2, 2, 0, 0, 0, 0xFFFFFF);
  objects.addObjectVertex(-2, -2, 0, 0, 1, 0xFFFFFF);
  objects.addObjectVertex(2, 2, 0, 1, 0, 0xFFFFFF);
  objects.addObjectVertex(2, -2, 0, 1, 1, 0xFFFFFF);
  objects.endObject();
  objects.setObjectTexture(3, 7);
  objects.drawObject(3, 0);
  const auto top = onScreen(0, 1, 0), bottom = onScreen(0, -1, 0);
  EXPECT_EQ(pixel(static_cast<int>(top[0]), static_cast<int>(top[1])), (Rgb{255, 0, 0}));
  EXPECT_EQ(pixel(static_cast<int>(bottom[0]), static_cast<int>(bottom[1])), (Rgb{0, 0, 255}));
  EXPECT_EQ(gfx2dState(*display_).currentTexture, -1);  // the 3D scene's binding is back

  // Untextured again, the same quad is white.
  objects.setObjectTexture(3, -1);
  clearScreen();
  objects.drawObject(3, 0);
  EXPECT_EQ(pixel(static_cast<int>(top[0]), static_cast<int>(top[1])), (Rgb{255, 255, 255}));

  // Emptying the slot deletes its own textures only.
  GLuint own = 0;
  glGenTextures(1, &own);
  glBindTexture(GL_TEXTURE_2D, own);
  glBindTexture(GL_TEXTURE_2D, 0);
  objects.setObjectTexture(3, 7);
  objects.adoptTexture(3, own);
  objects.beginObject(3);
  EXPECT_FALSE(glIsTexture(own));
  EXPECT_TRUE(glIsTexture(texture));
  EXPECT_EQ(objects.slot(3)->spriteTexture, 7);
  objects.endObject();
  objects.deleteObject(3);
  EXPECT_TRUE(glIsTexture(texture));
  EXPECT_EQ(objects.slot(3)->spriteTexture, kNoObjectTexture);
  EXPECT_FALSE(objects.slot(3)->ready);
  display_->deleteSprite(7);
}

TEST_F(ObjectDrawTest, CommandsReachTheSlotsOfTheProcessWideRenderer) {
  const std::string file = (tmp_->path() / "triangle.ddd").string();
  // Without a renderer nothing happens.
  EXPECT_EQ(loadObject(0, RtString(file)), 0);
  beginObject(0);
  addObjectVertex(0, 0, 0, 0, 0, 0xFF);
  endObject();
  drawObject(0, 0);

  createRainbows3D(display_);
  Rainbows3D& r = *rainbows3D();
  r.beginScene3D(1, 100, 60);
  r.placeCamera(0, 0, 10, 0, 0, 0);
  beginObject(5);
  addObjectVertex(-2, -2, 0, 0, 0, 0xFF);
  addObjectVertex(2, -2, 0, 0, 0, 0xFF);
  newObjectStrip();
  addObjectVertex(0, 2, 0, 0, 0, 0xFF);
  endObject();
  const ObjectSlot& slot = *r.objects().slot(5);
  ASSERT_TRUE(slot.ready);
  EXPECT_EQ(slot.meshes.at(0).frames.at(0).packed.size(), 5u);
  // The strip restarted before the third vertex: no triangle.
  drawObject(5, 0);
  EXPECT_EQ(r.objects().lastDrawnTriangles(), 0u);

  buildTriangleThroughCommands();
  drawObject(5, 0);
  EXPECT_EQ(r.objects().lastDrawnTriangles(), 1u);
  const auto centre = onScreen(0, 0, 0);
  EXPECT_EQ(pixel(static_cast<int>(centre[0]), static_cast<int>(centre[1])), (Rgb{255, 0, 0}));
  setObjectTexture(5, 3);
  EXPECT_EQ(slot.spriteTexture, 3);
  ASSERT_TRUE(writeObjectFile(slot.meshes.at(0), file));
  EXPECT_EQ(loadObject(6, RtString(file)), 1);
  EXPECT_TRUE(r.objects().slot(6)->ready);
  deleteObject(5);
  EXPECT_FALSE(slot.ready);
  EXPECT_EQ(slot.spriteTexture, kNoObjectTexture);
  destroyRainbows3D();
}

}  // namespace
}  // namespace korvane
