// The 3D view on a real GL context under the virtual display: projections and cameras read back
// from GL, frustum planes, fog, culling, the debug gizmos' state, the shadow pass in pixels, world
// and screen conversions, the movement stack applied to GL, and the lights.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

#include "runtime/gfx2d/opengl_rainbows_internal.h"
#include "runtime/gfx3d/gfx3d_commands.h"
#include "runtime/gfx3d/rainbows3d.h"
#include "runtime/gfx3d/rainbows3d_internal.h"
#include "tests/support/gl_pixels.h"

namespace korvane {
namespace {

using testing::Rgb;
using Mat = std::array<double, 16>;  // column-major

constexpr int kWidth = 320;
constexpr int kHeight = 240;
constexpr double kAspect = static_cast<double>(kWidth) / kHeight;
constexpr double kPi = 3.14159265358979;

Rgb pixel(int x, int y) { return testing::backBufferPixel(x, y, kHeight); }

Matrix4 glMatrix(GLenum which) {
  Matrix4 m;
  glGetFloatv(which, m.data());
  return m;
}

void expectMatrix(const Matrix4& got, const Mat& want, double tolerance = 1e-5) {
  for (int i = 0; i < 16; ++i) {
    EXPECT_NEAR(got[i], want[i], tolerance * (1 + std::fabs(want[i]))) << "element " << i;
  }
}

// The look-at matrix built here: rows side, up and backwards, then the eye moved to the origin.
Mat lookAt(std::array<double, 3> eye, std::array<double, 3> target, std::array<double, 3> up) {
  auto normal = [](std::array<double, 3> v) {
    const double l = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    return std::array<double, 3>{v[0] / l, v[1] / l, v[2] / l};
  };
  auto crossed = [](std::array<double, 3> a, std::array<double, 3> b) {
    return std::array<double, 3>{a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2],
                                 a[0] * b[1] - a[1] * b[0]};
  };
  const auto f = normal({eye[0] - target[0], eye[1] - target[1], eye[2] - target[2]});
  const auto s = normal(crossed(up, f));
  const auto u = crossed(f, s);
  Mat m{};
  for (int c = 0; c < 3; ++c) {
    m[c * 4 + 0] = s[c];
    m[c * 4 + 1] = u[c];
    m[c * 4 + 2] = f[c];
  }
  m[15] = 1;
  for (int r = 0; r < 3; ++r) {
    m[12 + r] = -(m[r] * eye[0] + m[4 + r] * eye[1] + m[8 + r] * eye[2]);
  }
  return m;
}

std::array<double, 4> transform(const Matrix4& m, std::array<double, 4> v) {
  std::array<double, 4> out{};
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) out[r] += m[c * 4 + r] * v[c];
  }
  return out;
}

class Rainbows3DGlTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    display_ = new OpenGLRainbows;
    ASSERT_EQ(display_->createDisplay(nullptr, kWidth, kHeight, 0, 60, 0), 1);
    setDisplay(display_);
  }
  static void TearDownTestSuite() {
    setDisplay(nullptr);
    delete display_;
    display_ = nullptr;
  }
  void SetUp() override {
    ASSERT_NE(display_, nullptr);
    display_->resetView(0, 0, 0, 0);
    display_->setAlphaMode(0);
    glClearColor(0, 0, 0, 1);
    glClearStencil(0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    while (glGetError() != GL_NO_ERROR) {
    }
  }
  void TearDown() override { EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)); }

  // Marks the stencil as a shadow volume would, colour untouched: the part of the window from
  // `left` to `right` (-1 ... 1 across it), whatever the view.
  static void markStencil(float left = -1, float right = 0) {
    glPushAttrib(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_STENCIL_BUFFER_BIT | GL_VIEWPORT_BIT);
    glViewport(0, 0, kWidth, kHeight);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    glEnable(GL_STENCIL_TEST);
    glStencilFunc(GL_ALWAYS, 0, 0);
    glStencilOp(GL_KEEP, GL_KEEP, GL_INVERT);
    glBegin(GL_QUADS);
    glVertex2f(left, -1);
    glVertex2f(right, -1);
    glVertex2f(right, 1);
    glVertex2f(left, 1);
    glEnd();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glPopAttrib();
  }

  static OpenGLRainbows* display_;
  Rainbows3D renderer{display_};
};
OpenGLRainbows* Rainbows3DGlTest::display_ = nullptr;

// ---------------------------------------------------------------- projection and camera

TEST_F(Rainbows3DGlTest, PerspectiveProjectionAndViewTangent) {
  renderer.beginScene3D(2, 200, 60);
  const double h = 2 * std::tan(30 * kPi / 180);
  Mat frustum{};
  frustum[0] = 2.0 / (kAspect * h);
  frustum[5] = 2 / h;
  frustum[10] = -(200.0 + 2) / (200 - 2);
  frustum[11] = -1;
  frustum[14] = -2.0 * 200 * 2 / (200 - 2);
  expectMatrix(glMatrix(GL_PROJECTION_MATRIX), frustum);
  expectMatrix(glMatrix(GL_MODELVIEW_MATRIX), {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1});
  EXPECT_NEAR(renderer.viewTangent(), std::tan(65 * kPi / 180), 1e-5);
  EXPECT_EQ(renderer.nearPlane(), 2.0f);
  EXPECT_EQ(renderer.farPlane(), 200.0f);
  EXPECT_TRUE(renderer.in3D());

  GLint depthFunc = 0;
  glGetIntegerv(GL_DEPTH_FUNC, &depthFunc);
  EXPECT_EQ(depthFunc, GL_LESS);
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
  EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
  EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
  EXPECT_TRUE(glIsEnabled(GL_COLOR_MATERIAL));

  // From 84 degrees on, the tangent is that of 89 degrees.
  for (double fov : {84.5, 90.0, 170.0}) {
    renderer.beginScene3D(1, 100, fov);
    EXPECT_NEAR(renderer.viewTangent(), std::tan(89 * kPi / 180), 1e-3) << fov;
  }
}

TEST_F(Rainbows3DGlTest, NegativeFieldOfViewIsOrthographic) {
  renderer.beginScene3D(2, 50, -60);
  const double h = 2 * std::tan(30 * kPi / 180) * 100;
  Mat ortho{};
  ortho[0] = 1 / (kAspect * h);
  ortho[5] = 1 / h;
  ortho[10] = -2.0 / (50 - 2);
  ortho[14] = -(50.0 + 2) / (50 - 2);
  ortho[15] = 1;
  expectMatrix(glMatrix(GL_PROJECTION_MATRIX), ortho);
  EXPECT_NEAR(renderer.viewTangent(), std::tan(89 * kPi / 180), 1e-3);
}

// A projection without extent is not set (GL would refuse it): the projection stays identity and
// no GL error is raised.
TEST_F(Rainbows3DGlTest, ProjectionWithoutExtentStaysIdentity) {
  const double cases[][3] = {{1, 100, 0}, {5, 5, 60}, {0, 100, 60}, {-1, 100, 45}};
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c[0] << " " << c[1] << " " << c[2]);
    renderer.beginScene3D(c[0], c[1], c[2]);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    expectMatrix(glMatrix(GL_PROJECTION_MATRIX), {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1});
  }
}

TEST_F(Rainbows3DGlTest, PlaceCameraBuildsTheLookAtMatrix) {
  renderer.beginScene3D(1, 100, 60);
  renderer.placeCamera(3, 4, 5, 1, -1, 0.5);
  const Mat want = lookAt({3, 4, 5}, {1, -1, 0.5}, {0, 1, 0});
  expectMatrix(glMatrix(GL_MODELVIEW_MATRIX), want);
  expectMatrix(renderer.cameraMatrix(), want);
  EXPECT_EQ(renderer.eye(), (std::array<float, 3>{3, 4, 5}));
  EXPECT_EQ(renderer.target(), (std::array<float, 3>{1, -1, 0.5f}));

  renderer.setUpVector(1, 0, 0);
  renderer.placeCamera(0, 0, 10, 0, 0, 0);
  expectMatrix(glMatrix(GL_MODELVIEW_MATRIX), lookAt({0, 0, 10}, {0, 0, 0}, {1, 0, 0}));
  renderer.beginScene3D(1, 100, 60);  // the up vector is (0, 1, 0) again
  EXPECT_EQ(renderer.upVector(), (std::array<float, 3>{0, 1, 0}));
}

TEST_F(Rainbows3DGlTest, FrustumPlanesAndTheSphereTest) {
  renderer.beginScene3D(1, 100, 60);
  renderer.placeCamera(0, 0, 10, 0, 0, 0);  // the far plane lies at z = -90
  for (const Plane& p : renderer.frustumPlanes()) {
    EXPECT_NEAR(std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]), 1.0, 1e-5);
  }
  // The near plane faces away from the eye: its normal points down -z.
  EXPECT_NEAR(renderer.frustumPlanes()[4][2], -1.0, 1e-5);
  EXPECT_NEAR(renderer.frustumPlanes()[4][3], 9.0, 1e-3);
  struct Sphere {
    float x, y, z, radius;
    bool visible;
  };
  const Sphere spheres[] = {
      {0, 0, 0, 1, true},                                // inside
      {0, 0, 20, 1, false},                              // behind the eye
      {0, 0, -95, 10, true},                             // across the far plane
      {0, 0, -150, 10, false},                           // beyond it
      {50, 0, 0, 1, false},                              // off to the right
      {50, 0, 0, 60, true},                              // reaching into the view from there
      {0, -30, 0, 1, false},                             // below
      {0, 0, 9.5f, 0.2f, false}, {0, 0, 9.5f, 1, true},  // across the near plane
  };
  for (const Sphere& s : spheres) {
    EXPECT_EQ(renderer.sphereVisible(s.x, s.y, s.z, s.radius), s.visible)
        << s.x << " " << s.y << " " << s.z << " r " << s.radius;
  }
}

TEST_F(Rainbows3DGlTest, CullModes) {
  renderer.beginScene3D(1, 100, 60);
  const struct {
    double mode;
    int stored;
    bool culling;
    GLint front;
  } cases[] = {{5, 1, true, GL_CW}, {-0.5, -1, true, GL_CCW}, {0, 0, false, GL_CCW}};
  for (const auto& c : cases) {
    renderer.setCullMode(c.mode);
    EXPECT_EQ(renderer.cullMode(), c.stored);
    EXPECT_EQ(glIsEnabled(GL_CULL_FACE) != 0, c.culling);
    GLint front = 0;
    glGetIntegerv(GL_FRONT_FACE, &front);
    if (c.culling) {
      EXPECT_EQ(front, c.front);
    }
  }
}

TEST_F(Rainbows3DGlTest, FogSettings) {
  renderer.beginScene3D(3, 300, 60);
  renderer.setFog(0x00FF8000, 0, 0, 0);  // linear with start = end = 0: near and far
  EXPECT_TRUE(glIsEnabled(GL_FOG));
  GLint mode = 0;
  glGetIntegerv(GL_FOG_MODE, &mode);
  EXPECT_EQ(mode, GL_LINEAR);
  float start = 0, end = 0, colour[4] = {};
  glGetFloatv(GL_FOG_START, &start);
  glGetFloatv(GL_FOG_END, &end);
  glGetFloatv(GL_FOG_COLOR, colour);
  EXPECT_EQ(start, 3.0f);
  EXPECT_EQ(end, 300.0f);
  EXPECT_FLOAT_EQ(colour[0], 0.0f);
  EXPECT_FLOAT_EQ(colour[1], 128 / 255.0f);
  EXPECT_FLOAT_EQ(colour[2], 1.0f);
  EXPECT_FLOAT_EQ(colour[3], 0.0f);

  renderer.setFog(0, 0, 10, 0);  // only both 0 means near and far
  glGetFloatv(GL_FOG_START, &start);
  glGetFloatv(GL_FOG_END, &end);
  EXPECT_EQ(start, 10.0f);
  EXPECT_EQ(end, 0.0f);

  renderer.setFog(0x808080, 1, 0.25, 0);
  glGetIntegerv(GL_FOG_MODE, &mode);
  float density = 0;
  glGetFloatv(GL_FOG_DENSITY, &density);
  EXPECT_EQ(mode, GL_EXP);
  EXPECT_EQ(density, 0.25f);

  renderer.setFog(-1, 0, 0, 0);
  EXPECT_FALSE(glIsEnabled(GL_FOG));
  renderer.setFog(0, 0, 0, 0);
  renderer.setFog(4294967295.0, 0, 0, 0);  // 0xFFFFFFFF is -1 too
  EXPECT_FALSE(glIsEnabled(GL_FOG));
}

// ---------------------------------------------------------------- debug drawing

struct GizmoState {
  float pointSize = 0, lineWidth = 0;
  bool pointSmooth = false, lineSmooth = false, lighting = true, texturing = true;
};
void readGizmoState(void* context) {
  auto* state = static_cast<GizmoState*>(context);
  glGetFloatv(GL_POINT_SIZE, &state->pointSize);
  glGetFloatv(GL_LINE_WIDTH, &state->lineWidth);
  state->pointSmooth = glIsEnabled(GL_POINT_SMOOTH);
  state->lineSmooth = glIsEnabled(GL_LINE_SMOOTH);
  state->lighting = glIsEnabled(GL_LIGHTING);
  state->texturing = glIsEnabled(GL_TEXTURE_2D);
}

TEST_F(Rainbows3DGlTest, GizmoSizesAreTakenIntoOneToFiveHundredTwelve) {
  renderer.beginScene3D(1, 100, 60);
  renderer.setLight(0, 0xFFFFFF, 0, 0, 0, 0, 0, 0, 180, 0);
  ASSERT_TRUE(glIsEnabled(GL_LIGHTING));
  GizmoState inside;
  setDebugDrawProbeForTesting(renderer, readGizmoState, &inside);
  const struct {
    double asked;
    float used;
  } sizes[] = {{0, 1}, {-4, 1}, {NAN, 1}, {1, 1}, {40, 40}, {1000, 512}};
  for (const auto& s : sizes) {
    renderer.drawPoint3D(0, 0, -5, s.asked, 0xFFFFFF);
    EXPECT_EQ(inside.pointSize, s.used) << s.asked;
    EXPECT_TRUE(inside.pointSmooth);
    EXPECT_FALSE(inside.lighting);  // lights off around debug drawing
    renderer.drawLine3D(0, 0, -5, 1, 1, -5, s.asked, 0xFFFFFF);
    EXPECT_EQ(inside.lineWidth, s.used) << s.asked;
    EXPECT_TRUE(inside.lineSmooth);
  }
  renderer.drawAxes(0, 0, 0);
  EXPECT_TRUE(inside.lineSmooth);
  EXPECT_FALSE(inside.texturing);
  setDebugDrawProbeForTesting(renderer, nullptr, nullptr);
  // Everything changed is back.
  float size = 0, width = 0;
  glGetFloatv(GL_POINT_SIZE, &size);
  glGetFloatv(GL_LINE_WIDTH, &width);
  EXPECT_EQ(size, 1.0f);
  EXPECT_EQ(width, 1.0f);
  EXPECT_FALSE(glIsEnabled(GL_POINT_SMOOTH));
  EXPECT_FALSE(glIsEnabled(GL_LINE_SMOOTH));
  EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
  expectMatrix(glMatrix(GL_MODELVIEW_MATRIX), {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1});
}

TEST_F(Rainbows3DGlTest, AxesAreDrawnAtThePointFromTheCamera) {
  renderer.beginScene3D(1, 1000, 90);
  renderer.placeCamera(0, 0, 100, 0, 0, 0);
  glLoadIdentity();  // the axes use the camera matrix, not the current one
  renderer.drawAxes(0, 0, 0);
  // 20 units at 100 away under a 90 degree view: 20 / 100 of the half-height of 120 pixels.
  auto reddest = [](int x) {
    int best = 0;
    for (int y = 117; y <= 122; ++y) best = std::max(best, pixel(x, y)[0]);
    return best;
  };
  EXPECT_GT(reddest(160 + 12), 100);
  EXPECT_LT(reddest(160 + 40), 20);
  int greenest = 0;
  for (int x = 157; x <= 162; ++x) greenest = std::max(greenest, pixel(x, 120 - 12)[1]);
  EXPECT_GT(greenest, 100);
}

// ---------------------------------------------------------------- shadow pass

TEST_F(Rainbows3DGlTest, ShadowPassDarkensMarkedPixelsOnce) {
  glClearColor(200 / 255.0f, 200 / 255.0f, 200 / 255.0f, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  renderer.beginScene3D(1, 100, 60);
  renderer.setShadowPass(1);
  EXPECT_TRUE(renderer.shadowPass());
  GLboolean colourWrites[4];
  glGetBooleanv(GL_COLOR_WRITEMASK, colourWrites);
  EXPECT_FALSE(colourWrites[0]);
  EXPECT_TRUE(glIsEnabled(GL_STENCIL_TEST));
  markStencil();
  renderer.setShadowPass(0);
  EXPECT_FALSE(renderer.shadowPass());
  const Rgb darkened = pixel(10, 10);
  EXPECT_NEAR(darkened[0], 100, 2);
  EXPECT_EQ(pixel(kWidth - 10, kHeight - 10), (Rgb{200, 200, 200}));
  EXPECT_NEAR(pixel(kWidth / 2 - 2, kHeight - 1)[0], 100, 2);
  // The 3D state goes on, and drawing returns at full level.
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
  EXPECT_FALSE(glIsEnabled(GL_STENCIL_TEST));
  EXPECT_FLOAT_EQ(gfx2dState(*display_).alphaLevel, 1.0f);
  expectMatrix(glMatrix(GL_PROJECTION_MATRIX), [] {
    Mat m{};
    const double h = std::tan(30 * kPi / 180);
    m[0] = 1 / (kAspect * h);
    m[5] = 1 / h;
    m[10] = -101.0 / 99;
    m[11] = -1;
    m[14] = -200.0 / 99;
    return m;
  }());

  // Marked again behind its back: a second switch-off of a pass already off darkens nothing.
  markStencil();
  renderer.setShadowPass(0);
  EXPECT_NEAR(pixel(10, 10)[0], 100, 2);
}

// The darkening covers the whole viewport, wherever the view lies in the window.
TEST_F(Rainbows3DGlTest, DarkeningCoversTheViewport) {
  glClearColor(200 / 255.0f, 200 / 255.0f, 200 / 255.0f, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  display_->resetView(100, 60, 200, 150);
  renderer.beginScene3D(1, 100, 60);
  renderer.setShadowPass(1);
  markStencil(-1, 1);  // every pixel of the window
  renderer.setShadowPass(0);
  EXPECT_NEAR(pixel(100, 60)[0], 100, 2);  // the view's corners
  EXPECT_NEAR(pixel(299, 209)[0], 100, 2);
  EXPECT_EQ(pixel(99, 100), (Rgb{200, 200, 200}));  // outside the view, though marked
  EXPECT_EQ(pixel(310, 230), (Rgb{200, 200, 200}));
  display_->resetView(0, 0, 0, 0);
}

// ---------------------------------------------------------------- world and screen

TEST_F(Rainbows3DGlTest, WorldToScreenAndBack) {
  renderer.beginScene3D(1, 100, 90);
  renderer.placeCamera(0, 0, 10, 0, 0, 0);
  double sx = -1, sy = -1, depth = -1;
  renderer.worldToScreen(0, 0, 0, sx, sy, depth);
  EXPECT_NEAR(sx, 160, 1e-3);
  EXPECT_NEAR(sy, 120, 1e-3);
  // 5 units right at 10 away under 90 degrees: 5 / (10 x aspect) of the half-width.
  renderer.worldToScreen(5, 0, 0, sx, sy, depth);
  EXPECT_NEAR(sx, 160 + 160 * 5 / (10 * kAspect), 1e-3);
  renderer.worldToScreen(0, 5, 0, sx, sy, depth);
  EXPECT_NEAR(sy, 60, 1e-3);                                  // up is toward the top
  const double ndcZ = (-101.0 / 99 * -10 - 200.0 / 99) / 10;  // of a point 10 away
  EXPECT_NEAR(depth, (ndcZ + 1) / 2, 1e-5);

  // A point in the camera's plane projects with w = 0: nothing is written.
  sx = sy = depth = 1234;
  renderer.worldToScreen(5, 3, 10, sx, sy, depth);
  EXPECT_EQ(sx, 1234);
  EXPECT_EQ(sy, 1234);
  EXPECT_EQ(depth, 1234);

  // Back again: the inverse takes screen y as a pixel row, one pixel below the exact point.
  const double points[][3] = {{0, 0, 0}, {3, -2, 1}, {-4, 4, -20}};
  for (const auto& p : points) {
    renderer.worldToScreen(p[0], p[1], p[2], sx, sy, depth);
    double x = 0, y = 0, z = 0;
    renderer.screenToWorld(sx, sy, depth, x, y, z);
    const double distance = 10 - p[2];
    const double pixelSize = 2 * distance / kHeight;  // of the 90 degree view at that distance
    EXPECT_NEAR(x, p[0], 1e-3 * distance);
    EXPECT_NEAR(y, p[1] - pixelSize, 1e-3 * distance);
    EXPECT_NEAR(z, p[2], 1e-2 * distance);
  }
  // A view that cannot be inverted leaves the outputs alone.
  glMatrixMode(GL_PROJECTION);
  glLoadMatrixf(std::array<float, 16>{}.data());
  glMatrixMode(GL_MODELVIEW);
  double x = 7, y = 7, z = 7;
  renderer.screenToWorld(10, 10, 0.5, x, y, z);
  EXPECT_EQ(x, 7);
  EXPECT_EQ(y, 7);
  EXPECT_EQ(z, 7);
}

TEST_F(Rainbows3DGlTest, SmoothingModeIsTakenModuloThree) {
  EXPECT_EQ(renderer.smoothingMode(), 2);
  const struct {
    double asked;
    int stored;
  } cases[] = {{0, 0}, {1, 1}, {2.9, 2}, {3, 0}, {7, 1}, {-1, 2}, {-3, 0}, {-4.5, 2}};
  for (const auto& c : cases) {
    renderer.setSmoothingMode(c.asked);
    EXPECT_EQ(renderer.smoothingMode(), c.stored) << c.asked;
  }
}

TEST_F(Rainbows3DGlTest, ApplyMovementMultipliesTheModelView) {
  renderer.beginScene3D(1, 100, 60);
  renderer.placeCamera(0, 0, 10, 0, 0, 0);
  renderer.setMovementTranslation(1, 2, 3);
  renderer.addMovementRotation(90, 0, 0, 1);
  renderer.applyMovement();
  Mat want = lookAt({0, 0, 10}, {0, 0, 0}, {0, 1, 0});
  // Camera (a translation by -10 in z here) x T(1, 2, 3) x R(90 about z).
  want = {0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 1, 2, -7, 1};
  expectMatrix(glMatrix(GL_MODELVIEW_MATRIX), want);
  renderer.popMovement();
}

// ---------------------------------------------------------------- lights

TEST_F(Rainbows3DGlTest, LightKindsReadBackInEyeSpace) {
  renderer.beginScene3D(1, 100, 60);
  renderer.placeCamera(3, 4, 5, 0, 0, 0);
  const Matrix4 camera = renderer.cameraMatrix();
  auto light = [](GLenum which, GLenum what) {
    std::array<float, 4> v{};
    glGetLightfv(which, what, v.data());
    return v;
  };
  auto expectNear = [](std::array<float, 4> got, std::array<double, 4> want) {
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(got[i], want[i], 1e-4) << i;
  };

  // Cone 120: a point light at the position.
  renderer.setLight(0, 0x0000FF, 1, 2, 3, 0, 0, 0, 120, 0);
  expectNear(light(GL_LIGHT0, GL_POSITION), transform(camera, {1, 2, 3, 1}));
  expectNear(light(GL_LIGHT0, GL_DIFFUSE), {1, 0, 0, 1});
  expectNear(light(GL_LIGHT0, GL_SPECULAR), {1, 0, 0, 1});
  EXPECT_EQ(light(GL_LIGHT0, GL_SPOT_CUTOFF)[0], 180.0f);

  // Cone 45: a spot light with its normalised direction.
  renderer.setLight(1, 0x00FF00, 1, 2, 3, 0, 0, -4, 45, 0);
  expectNear(light(GL_LIGHT1, GL_POSITION), transform(camera, {1, 2, 3, 1}));
  const auto direction = transform(camera, {0, 0, -1, 0});
  const auto spot = light(GL_LIGHT1, GL_SPOT_DIRECTION);
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(spot[i], direction[i], 1e-4);
  EXPECT_EQ(light(GL_LIGHT1, GL_SPOT_CUTOFF)[0], 45.0f);
  expectNear(light(GL_LIGHT1, GL_SPECULAR), {0, 1, 0, 1});

  // Cone 180: directional, shining along the direction (so it comes from the opposite side).
  renderer.setLight(2, 0xFF0000, 9, 9, 9, 0, -2, 0, 180, 0);
  expectNear(light(GL_LIGHT2, GL_POSITION), transform(camera, {0, 1, 0, 0}));
  expectNear(light(GL_LIGHT2, GL_SPECULAR), {0, 0, 0, 1});
  expectNear(light(GL_LIGHT2, GL_DIFFUSE), {0, 0, 1, 1});

  // All six zero: along the z axis, whatever the cone.
  renderer.setLight(3, 0xFFFFFF, 0, 0, 0, 0, 0, 0, 45, 0);
  expectNear(light(GL_LIGHT3, GL_POSITION), transform(camera, {0, 0, 1, 0}));
  EXPECT_EQ(light(GL_LIGHT3, GL_SPOT_CUTOFF)[0], 180.0f);

  // The camera light: directional from the eye towards the origin.
  renderer.setCameraLight(4, 0xFFFFFF);
  const double l = std::sqrt(50.0);
  expectNear(light(GL_LIGHT4, GL_POSITION), transform(camera, {3 / l, 4 / l, 5 / l, 0}));
  EXPECT_EQ(renderer.lightMask(), 0x1F);
  EXPECT_TRUE(glIsEnabled(GL_LIGHT4));
}

TEST_F(Rainbows3DGlTest, LightMaskSwitchesLightingWithTheLastLight) {
  renderer.beginScene3D(1, 100, 60);
  renderer.setLight(9, 0xFFFFFF, 0, 0, 0, 0, 0, 0, 180, 0);  // light 9 is light 1
  EXPECT_TRUE(glIsEnabled(GL_LIGHT1));
  EXPECT_EQ(renderer.lightMask(), 0x02);
  renderer.setLight(2, 0xFFFFFF, 0, 0, 0, 0, 0, 0, 180, 0);
  renderer.setLight(1, 0, 0, 0, 0, 0, 0, 0, 0, 0);
  EXPECT_FALSE(glIsEnabled(GL_LIGHT1));
  EXPECT_TRUE(glIsEnabled(GL_LIGHTING));              // light 2 is still on
  renderer.setLight(NAN, 0, 0, 0, 0, 0, 0, 0, 0, 0);  // does nothing
  EXPECT_EQ(renderer.lightMask(), 0x04);
  renderer.setLight(2, 0, 0, 0, 0, 0, 0, 0, 0, 0);
  EXPECT_EQ(renderer.lightMask(), 0);
  EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
  // A new scene starts with every light off.
  renderer.setLight(5, 0xFFFFFF, 0, 0, 0, 0, 0, 0, 180, 0);
  renderer.beginScene3D(1, 100, 60);
  EXPECT_EQ(renderer.lightMask(), 0);
  EXPECT_FALSE(glIsEnabled(GL_LIGHT5));
  EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
}

TEST_F(Rainbows3DGlTest, ShadowLightModesAndTheShadowPass) {
  glClearColor(200 / 255.0f, 200 / 255.0f, 200 / 255.0f, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  renderer.beginScene3D(1, 100, 60);
  const struct {
    double n;
    uint8_t mode;
  } modes[] = {{-1, 1}, {-2, 2}, {-7, 2}, {-0.5, 2}};
  for (const auto& m : modes) {
    renderer.setLight(m.n, 0x0000FF, 1, 2, 3, 0, 0, 0, 1, 0);
    EXPECT_EQ(renderer.shadowMode(), m.mode) << m.n;
    EXPECT_TRUE(renderer.shadowEnabled());
    EXPECT_FALSE(renderer.shadowPass());
  }
  EXPECT_EQ(renderer.shadowLightPosition(), (std::array<float, 3>{1, 2, 3}));
  EXPECT_EQ(renderer.shadowLightColour(), (std::array<float, 3>{1, 0, 0}));
  renderer.setLight(-3, 0xFFFFFF, 0, 0, 0, 0, 0, 0, 1, 0);
  EXPECT_EQ(renderer.shadowMode(), 3);
  EXPECT_TRUE(renderer.shadowPass());
  markStencil();
  renderer.setLight(-3, 0xFFFFFF, 0, 0, 0, 0, 0, 0, 0, 0);
  EXPECT_FALSE(renderer.shadowPass());
  EXPECT_FALSE(renderer.shadowEnabled());
  EXPECT_NEAR(pixel(10, 10)[0], 100, 2);
  EXPECT_EQ(pixel(kWidth - 10, 10), (Rgb{200, 200, 200}));
  renderer.setLight(-1, 0, 0, 0, 0, 0, 0, 0, 1, 0);
  renderer.beginScene3D(1, 100, 60);
  EXPECT_FALSE(renderer.shadowEnabled());
}

// With the debug flag a light is drawn where it stands: a point, and for a spot its beam.
TEST_F(Rainbows3DGlTest, DebugLightIsDrawn) {
  renderer.beginScene3D(1, 1000, 90);
  renderer.placeCamera(0, 0, 100, 0, 0, 0);
  renderer.setLight(0, 0xFFFFFF, 0, 0, 0, 1, 0, 0, 30, 1);
  const Rgb centre = pixel(160, 120);
  EXPECT_EQ(centre, (Rgb{0xFF, 0xC8, 0x80}));  // 0x80C8FF
  const Rgb beam = pixel(160 + 60, 120);
  EXPECT_GT(beam[0], 150);  // 0x6CAAE1: red 0xE1, blue 0x6C
  EXPECT_LT(beam[2], 130);
}

// ---------------------------------------------------------------- commands

TEST_F(Rainbows3DGlTest, CommandsReachTheProcessWideRenderer) {
  ASSERT_EQ(rainbows3D(), nullptr);
  double sx = 5, sy = 5, depth = 5;
  beginScene3D(1, 100, 90);  // no renderer: nothing happens
  worldToScreen(0, 0, 0, sx, sy, depth);
  EXPECT_EQ(sx, 5);
  leave3DMode();
  endShadowPass();

  createRainbows3D(display_);
  ASSERT_NE(rainbows3D(), nullptr);
  EXPECT_EQ(rainbows3D()->display(), display_);
  beginScene3D(1, 100, 90);
  placeCamera(0, 0, 10, 0, 0, 0);
  worldToScreen(0, 5, 0, sx, sy, depth);
  EXPECT_NEAR(sx, 160, 1e-3);
  EXPECT_NEAR(sy, 60, 1e-3);
  setSmoothingMode(-1);
  EXPECT_EQ(rainbows3D()->smoothingMode(), 2);
  setLight(11, 0xFFFFFF, 0, 0, 0, 0, 0, 0, 180, 0);
  EXPECT_EQ(rainbows3D()->lightMask(), 0x08);
  setShadowPass(1);
  endShadowPass();
  EXPECT_FALSE(rainbows3D()->shadowPass());
  setShadowPass(1);
  leave3DMode();
  EXPECT_FALSE(rainbows3D()->shadowPass());
  EXPECT_FALSE(rainbows3D()->in3D());
  destroyRainbows3D();
  EXPECT_EQ(rainbows3D(), nullptr);
}

}  // namespace
}  // namespace korvane
