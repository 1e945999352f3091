// The 3D view state: projection, camera, culling, fog, the shadow pass, debug gizmos, the
// conversions between world and screen, the movement stack and the lights.
#include "runtime/gfx3d/rainbows3d.h"

#include <GL/gl.h>

#include <cmath>
#include <memory>

#include "runtime/gfx2d/opengl_rainbows_internal.h"
#include "runtime/gfx3d/object_renderer.h"
#include "runtime/gfx3d/rainbows3d_internal.h"
#include "runtime/values/conversions.h"

namespace korvane {
namespace {

constexpr float kMaxViewAngleRadians = 1.553343f;  // 89 degrees
constexpr float kViewAngleMargin = 5.0f;
constexpr float kMaxViewAngleDegrees = 89.0f;
constexpr float kDegreesPerRadian = 57.29578f;
constexpr float kPi = 3.1415927f;
constexpr float kOrthographicZoom = 100.0f;
constexpr float kShortestVectorSquared = 1e-7f;
constexpr float kShadowDarkening = 0.5f;
constexpr float kSmallestGizmo = 1.0f;
constexpr float kLargestGizmo = 512.0f;
constexpr float kAxesScale = 20.0f;
constexpr int32_t kNoFog = -1;
constexpr float kDirectionalCone = 180.0f;
constexpr float kLargestSpotCone = 90.0f;
constexpr int64_t kShadowLightModeThree = -3;
constexpr int64_t kShadowLightModeOne = -1;
constexpr int kLightCount = 8;
constexpr float kLightGizmoSize = 40.0f;
constexpr int32_t kLightGizmoColour = 0x80C8FF;
constexpr float kSpotGizmoWidth = 3.0f;
constexpr int32_t kSpotGizmoColour = 0x6CAAE1;
constexpr float kSpotGizmoLength = 500.0f;

// Colours and numbers through 64 bits, so an unsigned 32-bit value and its signed twin agree.
int32_t integerOf(double value) {
  return static_cast<int32_t>(static_cast<uint32_t>(truncateToInt64(value)));
}

struct Rgb {
  float red, green, blue;
};
Rgb rgbOf(int32_t colour) {
  return {(colour & 0xFF) / 255.0f, ((colour >> 8) & 0xFF) / 255.0f,
          ((colour >> 16) & 0xFF) / 255.0f};
}

float gizmoSize(double value) {
  const float size = static_cast<float>(value);
  if (!(size >= kSmallestGizmo)) return kSmallestGizmo;
  return size > kLargestGizmo ? kLargestGizmo : size;
}

void normaliseIfLong(float v[3]) {
  const float lengthSquared = v[0] * v[0] + v[1] * v[1] + v[2] * v[2];
  if (lengthSquared <= kShortestVectorSquared) return;
  const float length = std::sqrt(lengthSquared);
  for (int i = 0; i < 3; ++i) v[i] /= length;
}

void normaliseIfNonZero(float v[3]) {
  const float length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
  if (length == 0) return;
  for (int i = 0; i < 3; ++i) v[i] /= length;
}

void cross(const float a[3], const float b[3], float out[3]) {
  out[0] = a[1] * b[2] - a[2] * b[1];
  out[1] = a[2] * b[0] - a[0] * b[2];
  out[2] = a[0] * b[1] - a[1] * b[0];
}

Matrix4 currentMatrix(GLenum which) {
  Matrix4 m;
  glGetFloatv(which, m.data());
  return m;
}

// The general 4 x 4 inverse; false when the matrix is singular.
bool invert(const Matrix4& m, std::array<double, 16>& out) {
  std::array<double, 16> a;
  for (int i = 0; i < 16; ++i) a[i] = m[i];
  std::array<double, 16> inv;
  inv[0] = a[5] * a[10] * a[15] - a[5] * a[11] * a[14] - a[9] * a[6] * a[15] + a[9] * a[7] * a[14] +
           a[13] * a[6] * a[11] - a[13] * a[7] * a[10];
  inv[4] = -a[4] * a[10] * a[15] + a[4] * a[11] * a[14] + a[8] * a[6] * a[15] -
           a[8] * a[7] * a[14] - a[12] * a[6] * a[11] + a[12] * a[7] * a[10];
  inv[8] = a[4] * a[9] * a[15] - a[4] * a[11] * a[13] - a[8] * a[5] * a[15] + a[8] * a[7] * a[13] +
           a[12] * a[5] * a[11] - a[12] * a[7] * a[9];
  inv[12] = -a[4] * a[9] * a[14] + a[4] * a[10] * a[13] + a[8] * a[5] * a[14] -
            a[8] * a[6] * a[13] - a[12] * a[5] * a[10] + a[12] * a[6] * a[9];
  inv[1] = -a[1] * a[10] * a[15] + a[1] * a[11] * a[14] + a[9] * a[2] * a[15] -
           a[9] * a[3] * a[14] - a[13] * a[2] * a[11] + a[13] * a[3] * a[10];
  inv[5] = a[0] * a[10] * a[15] - a[0] * a[11] * a[14] - a[8] * a[2] * a[15] + a[8] * a[3] * a[14] +
           a[12] * a[2] * a[11] - a[12] * a[3] * a[10];
  inv[9] = -a[0] * a[9] * a[15] + a[0] * a[11] * a[13] + a[8] * a[1] * a[15] - a[8] * a[3] * a[13] -
           a[12] * a[1] * a[11] + a[12] * a[3] * a[9];
  inv[13] = a[0] * a[9] * a[14] - a[0] * a[10] * a[13] - a[8] * a[1] * a[14] + a[8] * a[2] * a[13] +
            a[12] * a[1] * a[10] - a[12] * a[2] * a[9];
  inv[2] = a[1] * a[6] * a[15] - a[1] * a[7] * a[14] - a[5] * a[2] * a[15] + a[5] * a[3] * a[14] +
           a[13] * a[2] * a[7] - a[13] * a[3] * a[6];
  inv[6] = -a[0] * a[6] * a[15] + a[0] * a[7] * a[14] + a[4] * a[2] * a[15] - a[4] * a[3] * a[14] -
           a[12] * a[2] * a[7] + a[12] * a[3] * a[6];
  inv[10] = a[0] * a[5] * a[15] - a[0] * a[7] * a[13] - a[4] * a[1] * a[15] + a[4] * a[3] * a[13] +
            a[12] * a[1] * a[7] - a[12] * a[3] * a[5];
  inv[14] = -a[0] * a[5] * a[14] + a[0] * a[6] * a[13] + a[4] * a[1] * a[14] - a[4] * a[2] * a[13] -
            a[12] * a[1] * a[6] + a[12] * a[2] * a[5];
  inv[3] = -a[1] * a[6] * a[11] + a[1] * a[7] * a[10] + a[5] * a[2] * a[11] - a[5] * a[3] * a[10] -
           a[9] * a[2] * a[7] + a[9] * a[3] * a[6];
  inv[7] = a[0] * a[6] * a[11] - a[0] * a[7] * a[10] - a[4] * a[2] * a[11] + a[4] * a[3] * a[10] +
           a[8] * a[2] * a[7] - a[8] * a[3] * a[6];
  inv[11] = -a[0] * a[5] * a[11] + a[0] * a[7] * a[9] + a[4] * a[1] * a[11] - a[4] * a[3] * a[9] -
            a[8] * a[1] * a[7] + a[8] * a[3] * a[5];
  inv[15] = a[0] * a[5] * a[10] - a[0] * a[6] * a[9] - a[4] * a[1] * a[10] + a[4] * a[2] * a[9] +
            a[8] * a[1] * a[6] - a[8] * a[2] * a[5];
  const double det = a[0] * inv[0] + a[1] * inv[4] + a[2] * inv[8] + a[3] * inv[12];
  if (det == 0 || !std::isfinite(det)) return false;
  for (int i = 0; i < 16; ++i) out[i] = inv[i] / det;
  return true;
}

// An extent GL takes: finite and not empty.
bool usableExtent(float width, float height, float nearPlane, float farPlane) {
  return std::isfinite(width) && std::isfinite(height) && std::isfinite(nearPlane) &&
         std::isfinite(farPlane) && width != 0 && height != 0 && nearPlane != farPlane;
}

// The arrow of the x axis: from the origin to the tip, round its head and back to the tip.
constexpr float kAxisArrow[][3] = {
    {0, 0, 0}, {1, 0, 0},         {0.75f, 0.25f, 0},  {0.75f, -0.25f, 0},
    {1, 0, 0}, {0.75f, 0, 0.25f}, {0.75f, 0, -0.25f}, {1, 0, 0},
};

std::unique_ptr<Rainbows3D>& instance() {
  static std::unique_ptr<Rainbows3D> renderer;
  return renderer;
}

}  // namespace

Rainbows3D::Rainbows3D(OpenGLRainbows* display)
    : display_(display), objects_(std::make_unique<ObjectRenderer>(*this)) {}

Rainbows3D::~Rainbows3D() = default;

float Rainbows3D::drawAlpha() const { return gfx2dState(*display_).alphaLevel; }

void Rainbows3D::resetFrameObjects() {
  objectsThisFrame_ = 0;
  objectMatrix_ = kIdentityMatrix;
}

void Rainbows3D::beginScene3D(double nearPlane, double farPlane, double fieldOfView) {
  setShadowPass(0);
  const float n = static_cast<float>(nearPlane);
  const float f = static_cast<float>(farPlane);
  const float fov = static_cast<float>(fieldOfView);
  viewTangent_ = fov + kViewAngleMargin > kMaxViewAngleDegrees
                     ? std::tan(kMaxViewAngleRadians)
                     : std::tan((fov + kViewAngleMargin) / kDegreesPerRadian);
  near_ = n;
  far_ = f;
  up_ = {0, 1, 0};

  OpenGLRainbows& d = *display_;
  glViewport(d.viewX(), d.height() - d.viewHeight() - d.viewY(), d.viewWidth(), d.viewHeight());
  glClear(GL_DEPTH_BUFFER_BIT);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  const float aspect = static_cast<float>(d.viewWidth()) / static_cast<float>(d.viewHeight());
  // An empty or endless extent is no projection GL takes; identity stays instead of an error.
  if (fov > 0) {
    const float h = n * std::tan(fov * kPi / 360.0f);
    if (usableExtent(aspect * h, h, n, f) && n > 0 && f > 0) {
      glFrustum(-aspect * h, aspect * h, -h, h, n, f);
    }
  } else {
    const float h = n * std::tan(-fov * kPi / 360.0f) * kOrthographicZoom;
    if (usableExtent(aspect * h, h, n, f)) glOrtho(-aspect * h, aspect * h, -h, h, n, f);
    viewTangent_ = std::tan(kMaxViewAngleRadians);
  }

  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LESS);
  glFrontFace(GL_CCW);
  glEnable(GL_ALPHA_TEST);
  glAlphaFunc(GL_GREATER, 0);
  const float alpha = drawAlpha();
  glColor4f(alpha, alpha, alpha, alpha);
  glClearColor(0, 0, 0, 1);
  constexpr GLenum kDisabled[] = {
      GL_FOG,          GL_LINE_SMOOTH,          GL_POINT_SMOOTH, GL_POLYGON_SMOOTH,
      GL_STENCIL_TEST, GL_POLYGON_OFFSET_POINT, GL_AUTO_NORMAL,  GL_NORMALIZE,
      GL_LIGHTING,
  };
  for (GLenum state : kDisabled) glDisable(state);
  // The light mask starts empty, so no GL light may stay on behind it.
  for (int i = 0; i < kLightCount; ++i) glDisable(GL_LIGHT0 + i);
  glShadeModel(GL_SMOOTH);
  glEnable(GL_COLOR_MATERIAL);
  glEnable(GL_DITHER);
  glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
  glHint(GL_FOG_HINT, GL_NICEST);
  glLightModelf(GL_LIGHT_MODEL_TWO_SIDE, 0);

  cameraMatrix_ = currentMatrix(GL_MODELVIEW_MATRIX);
  resetFrameObjects();
  cullMode_ = 0;
  glDisable(GL_CULL_FACE);
  lightMask_ = 0;
  shadowEnabled_ = false;
  d.bindSprite(-1, -1, 0);
  in3D_ = true;
}

void Rainbows3D::setUpVector(double x, double y, double z) {
  up_ = {static_cast<float>(x), static_cast<float>(y), static_cast<float>(z)};
}

void Rainbows3D::placeCamera(double eyeX, double eyeY, double eyeZ, double targetX, double targetY,
                             double targetZ) {
  eye_ = {static_cast<float>(eyeX), static_cast<float>(eyeY), static_cast<float>(eyeZ)};
  target_ = {static_cast<float>(targetX), static_cast<float>(targetY), static_cast<float>(targetZ)};
  float forward[3] = {eye_[0] - target_[0], eye_[1] - target_[1], eye_[2] - target_[2]};
  normaliseIfNonZero(forward);
  float side[3];
  cross(up_.data(), forward, side);
  normaliseIfNonZero(side);
  float up[3];
  cross(forward, side, up);
  normaliseIfNonZero(up);
  const Matrix4 view = {
      side[0], up[0], forward[0], 0, side[1], up[1], forward[1], 0,
      side[2], up[2], forward[2], 0, 0,       0,     0,          1,
  };
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glMultMatrixf(view.data());
  glTranslatef(-eye_[0], -eye_[1], -eye_[2]);
  cameraMatrix_ = currentMatrix(GL_MODELVIEW_MATRIX);
  resetFrameObjects();

  const Matrix4 clip = multiplyMatrices(currentMatrix(GL_PROJECTION_MATRIX), cameraMatrix_);
  auto row = [&clip](int r, int column) { return clip[column * 4 + r]; };
  for (int p = 0; p < 6; ++p) {
    const int axis = p / 2;
    const float sign = p % 2 == 0 ? 1.0f : -1.0f;  // left, bottom, near add; the others subtract
    Plane& plane = planes_[p];
    for (int c = 0; c < 4; ++c) plane[c] = row(3, c) + sign * row(axis, c);
    const float length = std::sqrt(plane[0] * plane[0] + plane[1] * plane[1] + plane[2] * plane[2]);
    if (length > 0) {
      for (float& value : plane) value /= length;
    }
  }
}

bool Rainbows3D::sphereVisible(float x, float y, float z, float radius) const {
  for (const Plane& p : planes_) {
    if (p[0] * x + p[1] * y + p[2] * z + p[3] <= -radius) return false;
  }
  return true;
}

void Rainbows3D::setCullMode(double mode) {
  cullMode_ = mode > 0 ? 1 : mode < 0 ? -1 : 0;
  if (cullMode_ == 0) {
    glDisable(GL_CULL_FACE);
    return;
  }
  glEnable(GL_CULL_FACE);
  glFrontFace(cullMode_ > 0 ? GL_CW : GL_CCW);
}

void Rainbows3D::setFog(double colour, double exponential, double startOrDensity, double end) {
  const int32_t packed = integerOf(colour);
  if (packed == kNoFog) {
    glDisable(GL_FOG);
    return;
  }
  glEnable(GL_FOG);
  float a = static_cast<float>(startOrDensity);
  float b = static_cast<float>(end);
  if (isTrue(exponential)) {
    glFogi(GL_FOG_MODE, GL_EXP);
    glFogf(GL_FOG_DENSITY, a);
  } else {
    glFogi(GL_FOG_MODE, GL_LINEAR);
    if (a == 0 && b == 0) {
      a = near_;
      b = far_;
    }
    glFogf(GL_FOG_START, a);
    glFogf(GL_FOG_END, b);
  }
  const Rgb rgb = rgbOf(packed);
  const float fogColour[4] = {rgb.red, rgb.green, rgb.blue, 0};
  glFogfv(GL_FOG_COLOR, fogColour);
}

void Rainbows3D::setShadowPass(double on) {
  const bool wanted = isTrue(on);
  if (wanted == shadowPass_) return;
  shadowPass_ = wanted;
  if (wanted) {
    glShadeModel(GL_FLAT);
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    glEnable(GL_STENCIL_TEST);
    glDepthMask(GL_FALSE);
    glStencilFunc(GL_ALWAYS, 0, 0);
    // Each volume face toggles the stencil: an odd count marks a shadowed pixel.
    glStencilOp(GL_KEEP, GL_KEEP, GL_INVERT);
    return;
  }
  glCullFace(GL_BACK);
  glDepthMask(GL_TRUE);
  glDepthFunc(GL_LEQUAL);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  // The 2D view changes switches the 3D scene goes on with; they come back afterwards.
  glPushAttrib(GL_ENABLE_BIT | GL_POLYGON_BIT | GL_LIGHTING_BIT | GL_HINT_BIT);
  OpenGLRainbows& d = *display_;
  d.resetView(d.viewX(), d.viewY(), d.viewWidth(), d.viewHeight());
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  gfx2dState(d).alphaLevel = kShadowDarkening;
  glColor4f(kShadowDarkening, kShadowDarkening, kShadowDarkening, kShadowDarkening);
  glEnable(GL_STENCIL_TEST);
  glStencilFunc(GL_NOTEQUAL, 0, ~0u);
  glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
  // Black at half the draw alpha over the whole view: marked pixels only, by the stencil.
  d.drawRect(0, 0, static_cast<float>(d.viewWidth()), static_cast<float>(d.viewHeight()), 0);
  glDisable(GL_BLEND);
  gfx2dState(d).alphaLevel = 1.0f;
  glColor4f(1, 1, 1, 1);
  glPopAttrib();
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();
  glShadeModel(GL_SMOOTH);
  glDepthFunc(GL_LESS);
  glDisable(GL_STENCIL_TEST);
  glClear(GL_STENCIL_BUFFER_BIT);
  glCullFace(GL_BACK);
  glEnable(GL_CULL_FACE);
}

void Rainbows3D::endScene3D() {
  setShadowPass(0);
  OpenGLRainbows& d = *display_;
  d.resetView(d.viewX(), d.viewY(), d.viewWidth(), d.viewHeight());
  in3D_ = false;
}

void Rainbows3D::leave3D() {
  setShadowPass(0);
  in3D_ = false;
}

void Rainbows3D::beginDebugDrawing() {
  glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT | GL_POINT_BIT | GL_LINE_BIT);
  glEnable(GL_COLOR_MATERIAL);
  glDisable(GL_TEXTURE_2D);
  if (lightMask_ != 0) glDisable(GL_LIGHTING);
}

void Rainbows3D::endDebugDrawing() {
  if (debugDrawProbe_ != nullptr) debugDrawProbe_(debugDrawProbeContext_);
  glPopAttrib();
  const float alpha = drawAlpha();
  glColor4f(alpha, alpha, alpha, alpha);
}

void Rainbows3D::drawAxes(double x, double y, double z) {
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadMatrixf(cameraMatrix_.data());
  beginDebugDrawing();
  glEnable(GL_LINE_SMOOTH);
  glTranslatef(static_cast<float>(x), static_cast<float>(y), static_cast<float>(z));
  glScalef(kAxesScale, kAxesScale, kAxesScale);
  for (int axis = 0; axis < 3; ++axis) {
    glColor4f(axis == 0, axis == 1, axis == 2, 1);
    glBegin(GL_LINE_STRIP);
    // The x arrow turned onto the axis: its coordinates move round by `axis` places.
    for (const float* p : kAxisArrow) {
      glVertex3f(p[(3 - axis) % 3], p[(4 - axis) % 3], p[(5 - axis) % 3]);
    }
    glEnd();
  }
  endDebugDrawing();
  glPopMatrix();
}

void Rainbows3D::drawPoint3D(double x, double y, double z, double size, double colour) {
  beginDebugDrawing();
  glEnable(GL_POINT_SMOOTH);
  glPointSize(gizmoSize(size));
  const Rgb rgb = rgbOf(integerOf(colour));
  glColor4f(rgb.red, rgb.green, rgb.blue, 1);
  glBegin(GL_POINTS);
  glVertex3f(static_cast<float>(x), static_cast<float>(y), static_cast<float>(z));
  glEnd();
  endDebugDrawing();
}

void Rainbows3D::drawLine3D(double x1, double y1, double z1, double x2, double y2, double z2,
                            double width, double colour) {
  beginDebugDrawing();
  glEnable(GL_LINE_SMOOTH);
  glLineWidth(gizmoSize(width));
  const Rgb rgb = rgbOf(integerOf(colour));
  glColor4f(rgb.red, rgb.green, rgb.blue, 1);
  glBegin(GL_LINES);
  glVertex3f(static_cast<float>(x1), static_cast<float>(y1), static_cast<float>(z1));
  glVertex3f(static_cast<float>(x2), static_cast<float>(y2), static_cast<float>(z2));
  glEnd();
  endDebugDrawing();
}

void Rainbows3D::worldToScreen(double x, double y, double z, double& screenX, double& screenY,
                               double& depth) const {
  GLint viewport[4];
  glGetIntegerv(GL_VIEWPORT, viewport);
  const Matrix4 clip =
      multiplyMatrices(currentMatrix(GL_PROJECTION_MATRIX), currentMatrix(GL_MODELVIEW_MATRIX));
  const double in[4] = {static_cast<float>(x), static_cast<float>(y), static_cast<float>(z), 1};
  double out[4] = {0, 0, 0, 0};
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) out[r] += clip[c * 4 + r] * in[c];
  }
  if (out[3] == 0) return;
  const double nx = out[0] / out[3], ny = out[1] / out[3], nz = out[2] / out[3];
  screenX = viewport[0] + (nx + 1) * viewport[2] / 2;
  screenY = viewport[3] - (viewport[1] + viewport[3] * (ny + 1) / 2);
  depth = (nz + 1) / 2;
}

void Rainbows3D::screenToWorld(double screenX, double screenY, double depth, double& x, double& y,
                               double& z) const {
  GLint viewport[4];
  glGetIntegerv(GL_VIEWPORT, viewport);
  const Matrix4 clip =
      multiplyMatrices(currentMatrix(GL_PROJECTION_MATRIX), currentMatrix(GL_MODELVIEW_MATRIX));
  std::array<double, 16> inverse;
  if (!invert(clip, inverse) || viewport[2] == 0 || viewport[3] == 0) return;
  const double windowY = display_->height() - 1 - static_cast<float>(screenY);
  const double in[4] = {
      (static_cast<float>(screenX) - viewport[0]) * 2 / viewport[2] - 1,
      (windowY - viewport[1]) * 2 / viewport[3] - 1,
      2 * static_cast<float>(depth) - 1,
      1,
  };
  double out[4] = {0, 0, 0, 0};
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) out[r] += inverse[c * 4 + r] * in[c];
  }
  if (out[3] == 0) return;
  x = out[0] / out[3];
  y = out[1] / out[3];
  z = out[2] / out[3];
}

void Rainbows3D::setSmoothingMode(double mode) {
  const int64_t m = truncateToInt64(mode) % 3;
  smoothingMode_ = static_cast<int>(m < 0 ? m + 3 : m);
}

// ---------------------------------------------------------------- movement stack

void Rainbows3D::setMovementTranslation(double x, double y, double z) {
  movement_.setTranslation(static_cast<float>(x), static_cast<float>(y), static_cast<float>(z));
}

void Rainbows3D::setMovementScale(double x, double y, double z) {
  movement_.setScale(static_cast<float>(x), static_cast<float>(y), static_cast<float>(z));
}

void Rainbows3D::addMovementRotation(double degrees, double x, double y, double z) {
  movement_.addRotation(static_cast<float>(degrees), static_cast<float>(x), static_cast<float>(y),
                        static_cast<float>(z));
}

void Rainbows3D::pushMovement() { movement_.push(); }
void Rainbows3D::popMovement() { movement_.pop(); }

void Rainbows3D::applyMovement() {
  glMatrixMode(GL_MODELVIEW);
  glMultMatrixf(movement_.currentMatrix().data());
}

// ---------------------------------------------------------------- lights

void Rainbows3D::setLight(double n, double colour, double x, double y, double z, double dx,
                          double dy, double dz, double cone, double debug) {
  if (!std::isfinite(n)) return;
  const int64_t number = truncateToInt64(n);
  const Rgb rgb = rgbOf(integerOf(colour));
  const float position[3] = {static_cast<float>(x), static_cast<float>(y), static_cast<float>(z)};
  float direction[3] = {static_cast<float>(dx), static_cast<float>(dy), static_cast<float>(dz)};
  const float coneAngle = static_cast<float>(cone);

  if (number < 0) {
    shadowPosition_ = {position[0], position[1], position[2]};
    shadowColour_ = {rgb.red, rgb.green, rgb.blue};
    shadowEnabled_ = coneAngle != 0;
    shadowMode_ = number == kShadowLightModeThree ? 3 : number == kShadowLightModeOne ? 1 : 2;
    if (number == kShadowLightModeThree) setShadowPass(coneAngle != 0);
    return;
  }

  const int index = static_cast<int>(number & (kLightCount - 1));
  const GLenum light = GL_LIGHT0 + index;
  const uint8_t bit = static_cast<uint8_t>(1u << index);
  if (coneAngle == 0) {
    glDisable(light);
    lightMask_ = static_cast<uint8_t>(lightMask_ & ~bit);
    if (lightMask_ == 0) glDisable(GL_LIGHTING);
    return;
  }
  glEnable(GL_LIGHTING);
  glEnable(light);
  lightMask_ = static_cast<uint8_t>(lightMask_ | bit);
  glEnable(GL_COLOR_MATERIAL);
  glColorMaterial(GL_FRONT_AND_BACK, GL_DIFFUSE);
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();

  const float diffuse[4] = {rgb.red, rgb.green, rgb.blue, 1};
  const float noSpecular[4] = {0, 0, 0, 1};
  const bool allZero = position[0] == 0 && position[1] == 0 && position[2] == 0 &&
                       direction[0] == 0 && direction[1] == 0 && direction[2] == 0;
  if (allZero) {
    const float alongZ[4] = {0, 0, 1, 0};
    glLightfv(light, GL_POSITION, alongZ);
    glLightfv(light, GL_DIFFUSE, diffuse);
    glLightfv(light, GL_SPECULAR, noSpecular);
    glLightf(light, GL_SPOT_CUTOFF, kDirectionalCone);
    glPopMatrix();
    return;
  }
  const bool spot = coneAngle != kDirectionalCone && coneAngle <= kLargestSpotCone;
  if (coneAngle == kDirectionalCone) {
    glLightf(light, GL_SPOT_CUTOFF, kDirectionalCone);
    float towards[3] = {-direction[0], -direction[1], -direction[2]};
    normaliseIfLong(towards);
    const float at[4] = {towards[0], towards[1], towards[2], 0};
    glLightfv(light, GL_POSITION, at);
    glLightfv(light, GL_DIFFUSE, diffuse);
    glLightfv(light, GL_SPECULAR, noSpecular);
  } else if (spot) {
    // GL takes a cut-off of 0 ... 90 (or 180); a negative cone is the narrowest spot.
    glLightf(light, GL_SPOT_CUTOFF, coneAngle < 0 ? 0.0f : coneAngle);
    normaliseIfLong(direction);
    const float at[4] = {position[0], position[1], position[2], 1};
    glLightfv(light, GL_POSITION, at);
    glLightfv(light, GL_SPOT_DIRECTION, direction);
    glLightfv(light, GL_DIFFUSE, diffuse);
    glLightfv(light, GL_SPECULAR, diffuse);
  } else {
    glLightf(light, GL_SPOT_CUTOFF, kDirectionalCone);
    const float at[4] = {position[0], position[1], position[2], 1};
    glLightfv(light, GL_POSITION, at);
    glLightfv(light, GL_DIFFUSE, diffuse);
    glLightfv(light, GL_SPECULAR, diffuse);
  }
  glPopMatrix();

  if (!isTrue(debug)) return;
  drawPoint3D(position[0], position[1], position[2], kLightGizmoSize, kLightGizmoColour);
  if (spot) {
    drawLine3D(position[0], position[1], position[2], position[0] + kSpotGizmoLength * direction[0],
               position[1] + kSpotGizmoLength * direction[1],
               position[2] + kSpotGizmoLength * direction[2], kSpotGizmoWidth, kSpotGizmoColour);
  }
}

void Rainbows3D::setCameraLight(double n, double colour) {
  setLight(n, colour, eye_[0], eye_[1], eye_[2], -eye_[0], -eye_[1], -eye_[2], kDirectionalCone, 0);
}

void setDebugDrawProbeForTesting(Rainbows3D& renderer, void (*probe)(void* context),
                                 void* context) {
  renderer.debugDrawProbe_ = probe;
  renderer.debugDrawProbeContext_ = context;
}

// ---------------------------------------------------------------- the process-wide renderer

void createRainbows3D(OpenGLRainbows* display) {
  instance() = std::make_unique<Rainbows3D>(display);
}

void destroyRainbows3D() { instance().reset(); }

Rainbows3D* rainbows3D() { return instance().get(); }

void leave3DMode() {
  if (Rainbows3D* renderer = rainbows3D()) renderer->leave3D();
}

void endShadowPass() {
  if (Rainbows3D* renderer = rainbows3D()) renderer->setShadowPass(0);
}

}  // namespace korvane
