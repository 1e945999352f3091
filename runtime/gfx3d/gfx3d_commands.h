// The program's 3D commands over the process-wide renderer: the view, the gizmos, the
// conversions, the movement stack, the lights and the object slots. Numbers arrive as doubles;
// every command does nothing (the conversions leave their outputs alone, loadObject answers 0)
// while no renderer exists.
#pragma once

#include "runtime/values/rt_string.h"

namespace korvane {

void beginScene3D(double nearPlane, double farPlane, double fieldOfView);
void setUpVector(double x, double y, double z);
void placeCamera(double eyeX, double eyeY, double eyeZ, double targetX, double targetY,
                 double targetZ);
void setCullMode(double mode);
void setFog(double colour, double exponential, double startOrDensity, double end);
void setShadowPass(double on);
void endScene3D();
void drawAxes(double x, double y, double z);
void drawPoint3D(double x, double y, double z, double size, double colour);
void drawLine3D(double x1, double y1, double z1, double x2, double y2, double z2, double width,
                double colour);
void worldToScreen(double x, double y, double z, double& screenX, double& screenY, double& depth);
void screenToWorld(double screenX, double screenY, double depth, double& x, double& y, double& z);
void setSmoothingMode(double mode);

void setMovementTranslation(double x, double y, double z);
void setMovementScale(double x, double y, double z);
void addMovementRotation(double degrees, double x, double y, double z);
void pushMovement();
void popMovement();
void applyMovement();

void setLight(double n, double colour, double x, double y, double z, double dx, double dy,
              double dz, double cone, double debug);
void setCameraLight(double n, double colour);

// Object slots 0 ... 1023 (runtime/gfx3d/object_renderer.h).
void beginObject(double slot);
void addObjectVertex(double x, double y, double z, double u, double v, double colour);
void newObjectStrip();
void endObject();
double loadObject(double slot, const RtString& file);
void drawObject(double slot, double frame);
void deleteObject(double slot);
void setObjectTexture(double slot, double spriteId);

}  // namespace korvane
