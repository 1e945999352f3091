// The 3D commands: each hands its numbers to the process-wide renderer, when there is one.
#include "runtime/gfx3d/gfx3d_commands.h"

#include "runtime/gfx3d/object_renderer.h"
#include "runtime/gfx3d/rainbows3d.h"

namespace korvane {

void beginScene3D(double nearPlane, double farPlane, double fieldOfView) {
  if (Rainbows3D* r = rainbows3D()) r->beginScene3D(nearPlane, farPlane, fieldOfView);
}
void setUpVector(double x, double y, double z) {
  if (Rainbows3D* r = rainbows3D()) r->setUpVector(x, y, z);
}
void placeCamera(double eyeX, double eyeY, double eyeZ, double targetX, double targetY,
                 double targetZ) {
  if (Rainbows3D* r = rainbows3D()) r->placeCamera(eyeX, eyeY, eyeZ, targetX, targetY, targetZ);
}
void setCullMode(double mode) {
  if (Rainbows3D* r = rainbows3D()) r->setCullMode(mode);
}
void setFog(double colour, double exponential, double startOrDensity, double end) {
  if (Rainbows3D* r = rainbows3D()) r->setFog(colour, exponential, startOrDensity, end);
}
void setShadowPass(double on) {
  if (Rainbows3D* r = rainbows3D()) r->setShadowPass(on);
}
void endScene3D() {
  if (Rainbows3D* r = rainbows3D()) r->endScene3D();
}
void drawAxes(double x, double y, double z) {
  if (Rainbows3D* r = rainbows3D()) r->drawAxes(x, y, z);
}
void drawPoint3D(double x, double y, double z, double size, double colour) {
  if (Rainbows3D* r = rainbows3D()) r->drawPoint3D(x, y, z, size, colour);
}
void drawLine3D(double x1, double y1, double z1, double x2, double y2, double z2, double width,
                double colour) {
  if (Rainbows3D* r = rainbows3D()) r->drawLine3D(x1, y1, z1, x2, y2, z2, width, colour);
}
void worldToScreen(double x, double y, double z, double& screenX, double& screenY, double& depth) {
  if (Rainbows3D* r = rainbows3D()) r->worldToScreen(x, y, z, screenX, screenY, depth);
}
void screenToWorld(double screenX, double screenY, double depth, double& x, double& y, double& z) {
  if (Rainbows3D* r = rainbows3D()) r->screenToWorld(screenX, screenY, depth, x, y, z);
}
void setSmoothingMode(double mode) {
  if (Rainbows3D* r = rainbows3D()) r->setSmoothingMode(mode);
}

void setMovementTranslation(double x, double y, double z) {
  if (Rainbows3D* r = rainbows3D()) r->setMovementTranslation(x, y, z);
}
void setMovementScale(double x, double y, double z) {
  if (Rainbows3D* r = rainbows3D()) r->setMovementScale(x, y, z);
}
void addMovementRotation(double degrees, double x, double y, double z) {
  if (Rainbows3D* r = rainbows3D()) r->addMovementRotation(degrees, x, y, z);
}
void pushMovement() {
  if (Rainbows3D* r = rainbows3D()) r->pushMovement();
}
void popMovement() {
  if (Rainbows3D* r = rainbows3D()) r->popMovement();
}
void applyMovement() {
  if (Rainbows3D* r = rainbows3D()) r->applyMovement();
}

void setLight(double n, double colour, double x, double y, double z, double dx, double dy,
              double dz, double cone, double debug) {
  if (Rainbows3D* r = rainbows3D()) r->setLight(n, colour, x, y, z, dx, dy, dz, cone, debug);
}
void setCameraLight(double n, double colour) {
  if (Rainbows3D* r = rainbows3D()) r->setCameraLight(n, colour);
}

void beginObject(double slot) {
  if (Rainbows3D* r = rainbows3D()) r->objects().beginObject(slot);
}
void addObjectVertex(double x, double y, double z, double u, double v, double colour) {
  if (Rainbows3D* r = rainbows3D()) r->objects().addObjectVertex(x, y, z, u, v, colour);
}
void newObjectStrip() {
  if (Rainbows3D* r = rainbows3D()) r->objects().newObjectStrip();
}
void endObject() {
  if (Rainbows3D* r = rainbows3D()) r->objects().endObject();
}
double loadObject(double slot, const RtString& file) {
  Rainbows3D* r = rainbows3D();
  return r != nullptr ? r->objects().loadObject(slot, file) : 0;
}
void drawObject(double slot, double frame) {
  if (Rainbows3D* r = rainbows3D()) r->objects().drawObject(slot, frame);
}
void deleteObject(double slot) {
  if (Rainbows3D* r = rainbows3D()) r->objects().deleteObject(slot);
}
void setObjectTexture(double slot, double spriteId) {
  if (Rainbows3D* r = rainbows3D()) r->objects().setObjectTexture(slot, spriteId);
}

}  // namespace korvane
