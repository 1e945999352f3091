// The object slots of the 3D renderer: objects built from code or loaded from ".ddd" files,
// drawn under the movement stack with their normals, colours and optionally a sprite's texture.
// Numbers arrive as the program's doubles; slots and frames are truncated, colours go through 64
// bits (0xFFFFFFFF and -1 are the same marker). Main thread only, with the GL context current.
#pragma once

#include <GL/gl.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "runtime/gfx3d/mesh_object_x.h"
#include "runtime/values/rt_string.h"

namespace korvane {

class Rainbows3D;

inline constexpr int32_t kObjectSlotCount = 1024;
inline constexpr int32_t kNoBuildSlot = -1;
inline constexpr int32_t kNoObjectTexture = -1;

struct ObjectSlot {
  bool ready = false;
  bool second = false;  // kept for the renderer's other object kinds; cleared with the slot
  std::vector<MeshObjectX> meshes;
  // GL textures the slot made itself; a sprite's texture is only referred to (spriteTexture).
  std::vector<GLuint> ownTextures;
  int32_t spriteTexture = kNoObjectTexture;
};

class ObjectRenderer {
 public:
  explicit ObjectRenderer(Rainbows3D& view);
  ~ObjectRenderer();
  ObjectRenderer(const ObjectRenderer&) = delete;
  ObjectRenderer& operator=(const ObjectRenderer&) = delete;

  // Empties the slot (its meshes and its own GL textures) and starts building an object in it; a
  // slot outside the table starts nothing (and no build stays current).
  void beginObject(double slot);
  // A vertex of the object being built; a colour from 0xFFFFFFFC up is a marker instead (-1
  // independent triangles, -2 a strip, -3 a face). Nothing without an object being built.
  void addObjectVertex(double x, double y, double z, double u, double v, double colour);
  // Starts a new triangle strip in the object being built.
  void newObjectStrip();
  // Converts the object being built (normals by the view's smoothing mode) and makes the slot
  // ready. Nothing without an object being built.
  void endObject();

  // Reads a ".ddd" file through the media resolver into the slot, replacing what it held; an
  // object without normals of its own gets them by the smoothing mode. 1 when loaded, 0 when not
  // (the slot then stays as it was).
  double loadObject(double slot, const RtString& file);
  // Draws frame `frame` of the slot under the movement stack's current level, unless its
  // bounding sphere lies outside the camera's view. Nothing for an empty or unready slot or a
  // frame it does not have.
  void drawObject(double slot, double frame);
  // Empties the slot and forgets its sprite texture.
  void deleteObject(double slot);
  // The slot's objects draw with sprite `spriteId`'s texture (u across the picture, v down it);
  // a negative id draws them untextured. The sprite keeps its texture.
  void setObjectTexture(double slot, double spriteId);

  // Hands a GL texture to the slot, which deletes it when it is emptied.
  void adoptTexture(int32_t slot, GLuint texture);
  const ObjectSlot* slot(int32_t index) const;  // nullptr outside the table
  int32_t buildSlot() const { return buildSlot_; }
  // Triangles the last drawObject sent to GL (0 when it drew nothing).
  size_t lastDrawnTriangles() const { return lastDrawnTriangles_; }

 private:
  ObjectSlot* slotAt(double index);
  void resetSlot(ObjectSlot& slot);
  void drawMesh(const MeshObjectX& mesh, size_t frame, int32_t sprite);

  Rainbows3D& view_;
  std::unique_ptr<ObjectSlot[]> slots_;
  ObjectBuild build_;
  int32_t buildSlot_ = kNoBuildSlot;
  size_t lastDrawnTriangles_ = 0;
};

}  // namespace korvane
