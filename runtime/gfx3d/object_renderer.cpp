// Object slots: building, loading, drawing and emptying them.
#include "runtime/gfx3d/object_renderer.h"

#include <cmath>
#include <cstddef>

#include "runtime/gfx2d/gfx2d_internal.h"
#include "runtime/gfx2d/opengl_rainbows_internal.h"
#include "runtime/gfx3d/normal_generation.h"
#include "runtime/gfx3d/object_file.h"
#include "runtime/gfx3d/rainbows3d.h"
#include "runtime/lib/media_resolver.h"
#include "runtime/values/conversions.h"

namespace korvane {
namespace {

bool anyPlane(const std::array<Plane, 6>& planes) {
  for (const Plane& p : planes) {
    if (p[0] != 0 || p[1] != 0 || p[2] != 0) return true;
  }
  return false;
}

// The largest factor by which the matrix stretches a length (the longest of its axes).
float largestScale(const Matrix4& m) {
  float largest = 0;
  for (int c = 0; c < 3; ++c) {
    const float l =
        std::sqrt(m[c * 4] * m[c * 4] + m[c * 4 + 1] * m[c * 4 + 1] + m[c * 4 + 2] * m[c * 4 + 2]);
    if (l > largest) largest = l;
  }
  return largest;
}

}  // namespace

ObjectRenderer::ObjectRenderer(Rainbows3D& view)
    : view_(view), slots_(std::make_unique<ObjectSlot[]>(kObjectSlotCount)) {}

ObjectRenderer::~ObjectRenderer() {
  OpenGLRainbows* display = view_.display();
  if (display == nullptr || !display->contextReady()) return;
  for (int32_t i = 0; i < kObjectSlotCount; ++i) {
    std::vector<GLuint>& own = slots_[i].ownTextures;
    if (!own.empty()) glDeleteTextures(static_cast<GLsizei>(own.size()), own.data());
  }
}

ObjectSlot* ObjectRenderer::slotAt(double index) {
  const int64_t i = truncateToInt64(index);
  if (i < 0 || i >= kObjectSlotCount) return nullptr;
  return &slots_[i];
}

const ObjectSlot* ObjectRenderer::slot(int32_t index) const {
  if (index < 0 || index >= kObjectSlotCount) return nullptr;
  return &slots_[index];
}

void ObjectRenderer::resetSlot(ObjectSlot& slot) {
  if (buildSlot_ != kNoBuildSlot && &slots_[buildSlot_] == &slot) {
    build_.abandon();
    buildSlot_ = kNoBuildSlot;
  }
  slot.meshes.clear();
  slot.ready = false;
  slot.second = false;
  OpenGLRainbows* display = view_.display();
  if (!slot.ownTextures.empty() && display != nullptr && display->contextReady()) {
    glDeleteTextures(static_cast<GLsizei>(slot.ownTextures.size()), slot.ownTextures.data());
  }
  slot.ownTextures.clear();
}

void ObjectRenderer::beginObject(double slot) {
  ObjectSlot* s = slotAt(slot);
  if (s == nullptr) return;
  resetSlot(*s);
  s->meshes.resize(1);
  build_.begin(s->meshes[0]);
  buildSlot_ = static_cast<int32_t>(s - slots_.get());
}

void ObjectRenderer::addObjectVertex(double x, double y, double z, double u, double v,
                                     double colour) {
  build_.addVertex(static_cast<float>(x), static_cast<float>(y), static_cast<float>(z),
                   static_cast<float>(u), static_cast<float>(v),
                   static_cast<uint32_t>(truncateToInt64(colour)));
}

void ObjectRenderer::newObjectStrip() { build_.newStrip(); }

void ObjectRenderer::endObject() {
  if (!build_.active() || buildSlot_ == kNoBuildSlot) return;
  slots_[buildSlot_].ready = true;
  build_.end(view_.smoothingMode());
  buildSlot_ = kNoBuildSlot;
}

double ObjectRenderer::loadObject(double slot, const RtString& file) {
  ObjectSlot* s = slotAt(slot);
  if (s == nullptr) return 0;
  const std::string path = mediaPathToOpen(viewOf(file));
  if (path.empty()) return 0;
  MeshObjectX mesh;
  if (!readObjectFile(mesh, path, false)) return 0;
  finishMesh(mesh, view_.smoothingMode());
  resetSlot(*s);
  s->meshes.push_back(std::move(mesh));
  s->ready = true;
  return 1;
}

void ObjectRenderer::deleteObject(double slot) {
  ObjectSlot* s = slotAt(slot);
  if (s == nullptr) return;
  resetSlot(*s);
  s->spriteTexture = kNoObjectTexture;
}

void ObjectRenderer::setObjectTexture(double slot, double spriteId) {
  ObjectSlot* s = slotAt(slot);
  if (s == nullptr) return;
  const int64_t id = truncateToInt64(spriteId);
  s->spriteTexture = id >= 0 && id < kSpriteCount ? static_cast<int32_t>(id) : kNoObjectTexture;
}

void ObjectRenderer::adoptTexture(int32_t slot, GLuint texture) {
  if (slot < 0 || slot >= kObjectSlotCount) return;
  slots_[slot].ownTextures.push_back(texture);
}

void ObjectRenderer::drawObject(double slot, double frame) {
  lastDrawnTriangles_ = 0;
  ObjectSlot* s = slotAt(slot);
  if (s == nullptr || !s->ready) return;
  const int64_t f = truncateToInt64(frame);
  if (f < 0) return;
  for (const MeshObjectX& mesh : s->meshes) {
    if (static_cast<uint64_t>(f) < mesh.frames.size()) {
      drawMesh(mesh, static_cast<size_t>(f), s->spriteTexture);
    }
  }
}

void ObjectRenderer::drawMesh(const MeshObjectX& mesh, size_t frame, int32_t sprite) {
  if (frame >= mesh.triangles.size() || mesh.triangles[frame].empty()) return;
  const std::vector<uint32_t>& triangles = mesh.triangles[frame];
  const std::vector<MeshVertex>& records = mesh.frames[frame].vertices;
  const Matrix4& movement = view_.movement().currentMatrix();
  if (frame < mesh.bounds.size() && anyPlane(view_.frustumPlanes())) {
    // The planes are in world space: the sphere goes where the movement puts the object.
    const BoundingSphere& b = mesh.bounds[frame];
    float centre[3];
    for (int r = 0; r < 3; ++r) {
      centre[r] = movement[r] * b.centre[0] + movement[4 + r] * b.centre[1] +
                  movement[8 + r] * b.centre[2] + movement[12 + r];
    }
    if (!view_.sphereVisible(centre[0], centre[1], centre[2], b.radius * largestScale(movement))) {
      return;
    }
  }

  OpenGLRainbows& display = *view_.display();
  const SpriteEntry* entry = sprite >= 0 ? display.spriteEntry(sprite) : nullptr;
  const bool textured = entry != nullptr && entry->texture != 0 && entry->textureWidth > 0 &&
                        entry->textureHeight > 0;

  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  view_.applyMovement();
  glPushAttrib(GL_ENABLE_BIT);
  glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
  // A scaled movement lengthens the normals; lighting needs them whole.
  glEnable(GL_NORMALIZE);
  constexpr GLsizei kStride = sizeof(MeshVertex);
  const MeshVertex* first = records.data();
  glEnableClientState(GL_VERTEX_ARRAY);
  glVertexPointer(3, GL_FLOAT, kStride, &first->x);
  glEnableClientState(GL_NORMAL_ARRAY);
  glNormalPointer(GL_FLOAT, kStride, &first->nx);
  glEnableClientState(GL_COLOR_ARRAY);
  glColorPointer(3, GL_FLOAT, kStride, &first->red);

  Gfx2dState& state = gfx2dState(display);
  const int32_t boundBefore = state.currentTexture;
  const int32_t secondBefore = state.secondTexture;
  const int32_t smoothBefore = state.smooth;
  if (textured) {
    display.bindSprite(sprite, -1, state.textureSmoothing);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glTexCoordPointer(2, GL_FLOAT, kStride, &first->u);
    // Drawn v is the stored v negated; (1 + v) over the picture's part of its texture (rows
    // stored bottom-up) puts the stored 0 at the picture's top and 1 at its bottom.
    glMatrixMode(GL_TEXTURE);
    glPushMatrix();
    glLoadIdentity();
    glScalef(static_cast<float>(entry->width) / entry->textureWidth,
             static_cast<float>(entry->height) / entry->textureHeight, 1);
    glTranslatef(0, 1, 0);
    glMatrixMode(GL_MODELVIEW);
  } else {
    glDisable(GL_TEXTURE_2D);
  }

  glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(triangles.size()), GL_UNSIGNED_INT,
                 triangles.data());
  lastDrawnTriangles_ += triangles.size() / 3;

  if (textured) {
    glMatrixMode(GL_TEXTURE);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    display.bindSprite(boundBefore, secondBefore, smoothBefore);
  }
  glPopClientAttrib();
  glPopAttrib();
  glPopMatrix();
  // The colour array leaves the current colour undefined; drawing goes on at the draw alpha.
  const float alpha = state.alphaLevel;
  glColor4f(alpha, alpha, alpha, alpha);
}

}  // namespace korvane
