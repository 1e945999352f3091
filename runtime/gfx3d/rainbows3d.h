// Rainbows3D: the 3D renderer beside the display. It holds the display and the 3D view state:
// projection and camera, culling, fog, the stencil shadow pass, the debug gizmos, world and
// screen conversions, the movement stack, the lights and the object slots. Numbers arrive as the
// program's doubles and are narrowed to floats; integers and colours go through 64 bits, so
// 0xFFFFFFFF and -1 are the same colour. Main thread only, with the display's GL context current.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "runtime/gfx2d/opengl_rainbows.h"
#include "runtime/gfx3d/movement_stack.h"

namespace korvane {

class ObjectRenderer;

// A plane a x + b y + c z + d = 0 with a unit normal (a, b, c) pointing into the view.
using Plane = std::array<float, 4>;

class Rainbows3D {
 public:
  explicit Rainbows3D(OpenGLRainbows* display);
  ~Rainbows3D();
  Rainbows3D(const Rainbows3D&) = delete;
  Rainbows3D& operator=(const Rainbows3D&) = delete;

  OpenGLRainbows* display() const { return display_; }

  // ----- view (camera, culling, fog, shadow pass, gizmos)
  // Enters 3D: the shadow pass off, depth cleared, a perspective projection for a field of view
  // above 0 (degrees, vertical), else an orthographic one 100 times the height a perspective one
  // of -fov would have at the near plane. A projection with no extent (fov 0, near = far, a
  // non-positive near for perspective, an empty viewport) is not set: the projection stays
  // identity. Culling off, lights off, up vector (0, 1, 0), no texture bound.
  void beginScene3D(double nearPlane, double farPlane, double fieldOfView);
  void setUpVector(double x, double y, double z);
  // The look-at camera from the eye towards the target, and the frustum planes of the view.
  void placeCamera(double eyeX, double eyeY, double eyeZ, double targetX, double targetY,
                   double targetZ);
  // 0 culls nothing; positive culls with clockwise front faces, negative with counter-clockwise.
  void setCullMode(double mode);
  // Colour -1 switches fog off. Exponential: `startOrDensity` is the density. Linear: start and
  // end, both 0 meaning the near and far planes.
  void setFog(double colour, double exponential, double startOrDensity, double end);
  // On: drawing goes into the stencil only (shadow volumes toggle it). Off: every pixel the
  // volumes left marked is darkened by half across the whole viewport. Only a change acts.
  void setShadowPass(double on);
  // Leaves 3D for the 2D view of the current viewport.
  void endScene3D();
  // Leaves 3D ahead of a 2D viewport that the caller sets itself.
  void leave3D();

  void drawAxes(double x, double y, double z);
  // Smooth points and lines; size and width are taken into 1 ... 512.
  void drawPoint3D(double x, double y, double z, double size, double colour);
  void drawLine3D(double x1, double y1, double z1, double x2, double y2, double z2, double width,
                  double colour);

  // Screen pixels from the top-left and a depth of 0 ... 1; the outputs stay as they were when
  // the point lies in the camera's plane.
  void worldToScreen(double x, double y, double z, double& screenX, double& screenY,
                     double& depth) const;
  // The inverse; the outputs stay as they were when the view cannot be inverted.
  void screenToWorld(double screenX, double screenY, double depth, double& x, double& y,
                     double& z) const;

  // The normal smoothing of objects built later: the mode modulo 3, into 0 ... 2.
  void setSmoothingMode(double mode);

  // True unless the sphere lies wholly behind one of the frustum planes of the last camera.
  bool sphereVisible(float x, float y, float z, float radius) const;

  // ----- movement stack
  void setMovementTranslation(double x, double y, double z);
  void setMovementScale(double x, double y, double z);
  void addMovementRotation(double degrees, double x, double y, double z);
  void pushMovement();
  void popMovement();
  // Multiplies GL's model-view matrix by the current level's matrix.
  void applyMovement();
  MovementStack& movement() { return movement_; }

  // ----- objects: the slot table of objects built from code or loaded from files
  ObjectRenderer& objects() { return *objects_; }

  // ----- lights
  // n 0 ... 7 (taken modulo 8) is a GL light; cone 0 switches it off, 180 makes it directional
  // (shining along the direction), up to 90 a spot light, anything else a point light; all six
  // of position and direction 0 is a light along the z axis. A negative n is the shadow light
  // (-1, -3 or any other for modes 1, 3 and 2); -3 also switches the shadow pass with the cone.
  // A NaN n does nothing. With `debug` the light is drawn (a point, and a line for a spot).
  void setLight(double n, double colour, double x, double y, double z, double dx, double dy,
                double dz, double cone, double debug);
  // A directional light from the camera's side towards the origin.
  void setCameraLight(double n, double colour);

  // ----- state, for the renderer's other parts and for tests
  bool in3D() const { return in3D_; }
  float viewTangent() const { return viewTangent_; }
  float nearPlane() const { return near_; }
  float farPlane() const { return far_; }
  const std::array<float, 3>& upVector() const { return up_; }
  const std::array<float, 3>& eye() const { return eye_; }
  const std::array<float, 3>& target() const { return target_; }
  const Matrix4& cameraMatrix() const { return cameraMatrix_; }
  const std::array<Plane, 6>& frustumPlanes() const { return planes_; }  // l, r, b, t, n, f
  int cullMode() const { return cullMode_; }
  bool shadowPass() const { return shadowPass_; }
  uint8_t lightMask() const { return lightMask_; }
  bool shadowEnabled() const { return shadowEnabled_; }
  uint8_t shadowMode() const { return shadowMode_; }
  const std::array<float, 3>& shadowLightPosition() const { return shadowPosition_; }
  const std::array<float, 3>& shadowLightColour() const { return shadowColour_; }
  int smoothingMode() const { return smoothingMode_; }

 private:
  friend void setDebugDrawProbeForTesting(Rainbows3D& renderer, void (*probe)(void* context),
                                          void* context);

  // Per-frame state of object drawing, set back by every camera.
  void resetFrameObjects();
  void beginDebugDrawing();
  void endDebugDrawing();
  float drawAlpha() const;

  OpenGLRainbows* display_;
  bool in3D_ = false;
  std::array<float, 3> up_ = {0, 1, 0};
  std::array<float, 3> eye_ = {0, 0, 0};
  std::array<float, 3> target_ = {0, 0, 0};
  float viewTangent_ = 0;
  float near_ = 0;
  float far_ = 0;
  Matrix4 cameraMatrix_ = kIdentityMatrix;
  std::array<Plane, 6> planes_{};
  int cullMode_ = 0;
  bool shadowPass_ = false;
  uint8_t lightMask_ = 0;
  int smoothingMode_ = 2;
  bool shadowEnabled_ = false;
  uint8_t shadowMode_ = 2;
  std::array<float, 3> shadowPosition_ = {0, 0, 0};
  std::array<float, 3> shadowColour_ = {0, 0, 0};
  // Object drawing's per-frame counters and matrix (the objects themselves come later).
  int32_t objectsThisFrame_ = 0;
  Matrix4 objectMatrix_ = kIdentityMatrix;
  MovementStack movement_;
  // Emptied before the view state above it goes, and with the GL context still there.
  std::unique_ptr<ObjectRenderer> objects_;
  // Called between setting the debug-drawing state and restoring it (rainbows3d_internal.h).
  void (*debugDrawProbe_)(void* context) = nullptr;
  void* debugDrawProbeContext_ = nullptr;
};

// The process-wide 3D renderer, owned here: the start-up creates it beside the display and the
// shutdown destroys it before the display goes. rainbows3D() is nullptr before and after.
void createRainbows3D(OpenGLRainbows* display);
void destroyRainbows3D();
Rainbows3D* rainbows3D();

// The commands the spine calls: leaving 3D ahead of a 2D viewport, and the frame loop's switch of
// the shadow pass (both do nothing without a renderer).
void leave3DMode();
void endShadowPass();

}  // namespace korvane
