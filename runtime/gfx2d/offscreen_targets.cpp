// Offscreen targets: drawing redirected into a sprite, through a framebuffer object where the
// driver offers one, else emulated on the back buffer's top-left corner.
#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <cstring>

#include "runtime/gfx2d/display_extensions_internal.h"
#include "runtime/gfx2d/opengl_rainbows.h"
#include "runtime/gfx2d/opengl_rainbows_internal.h"
#include "runtime/gfx2d/screen_grabs_internal.h"
#include "runtime/gfx2d/texture_prep.h"
#include "runtime/gfx2d/texture_release.h"

namespace korvane {
namespace {

bool validTarget(int32_t n) { return n >= 0 && n < kOffscreenTargetCount; }

// What leaving an emulated target fills its area with before the screen is put back: the
// backup's transparent pixels show it.
constexpr int32_t kLeftBehindColour = 0;

bool canMakeFramebuffers(const GlExtensionTable& gl) {
  return gl.glGenFramebuffersEXT && gl.glGenRenderbuffersEXT && gl.glBindRenderbufferEXT &&
         gl.glRenderbufferStorageEXT && gl.glCheckFramebufferStatusEXT && gl.glBindFramebufferEXT &&
         gl.glFramebufferTexture2DEXT && gl.glFramebufferRenderbufferEXT;
}

}  // namespace

int32_t OpenGLRainbows::currentTarget() const { return gfx2d_->currentTarget; }

const OffscreenTarget* OpenGLRainbows::offscreenTarget(int32_t n) const {
  return validTarget(n) ? &gfx2d_->targets[n] : nullptr;
}

void OpenGLRainbows::releaseTarget(int32_t n) {
  OffscreenTarget& target = gfx2d_->targets[n];
  const GlExtensionTable& gl = glExtensions_;
  if (contextReady()) {
    if (target.framebuffer && gl.glDeleteFramebuffersEXT) {
      gl.glDeleteFramebuffersEXT(1, &target.framebuffer);
    }
    if (target.depthBuffer && gl.glDeleteRenderbuffersEXT) {
      gl.glDeleteRenderbuffersEXT(1, &target.depthBuffer);
    }
  }
  target = OffscreenTarget{};
}

void OpenGLRainbows::releaseAllTargets() {
  if (gfx2d_->currentTarget >= 0 && contextReady()) leaveTarget();
  gfx2d_->currentTarget = -1;
  for (int32_t n = 0; n < kOffscreenTargetCount; ++n) {
    if (gfx2d_->targets[n].framebuffer) releaseTarget(n);
  }
}

void OpenGLRainbows::createTarget(int32_t n, int32_t id, int32_t width, int32_t height) {
  if (!validTarget(n) || !spriteEntry(id) || width < 1 || height < 1) return;
  // Its framebuffer is about to go: drawing must not be left bound to it.
  if (gfx2d_->currentTarget == n) leaveTarget();
  const int32_t largest = largestTextureSize();
  width = std::min(width, largest);
  height = std::min(height, largest);
  const int32_t textureWidth = std::min(textureSideFor(width), largest);
  const int32_t textureHeight = std::min(textureSideFor(height), largest);

  deleteSprite(id);
  RgbaImage blank;
  if (!blank.resize(textureWidth, textureHeight)) return;
  std::memset(blank.pixels.get(), 0, static_cast<size_t>(textureWidth) * textureHeight * 4);
  SpriteEntry& row = *spriteEntry(id);
  if (!uploadImage(blank, 0, 0, 0, 0, &row.texture, nullptr, 0, 0)) return;
  row.textureWidth = static_cast<int16_t>(textureWidth);
  row.textureHeight = static_cast<int16_t>(textureHeight);
  row.width = static_cast<int16_t>(width);
  row.height = static_cast<int16_t>(height);

  releaseTarget(n);
  OffscreenTarget& target = gfx2d_->targets[n];
  target.sprite = id;
  const GlExtensionTable& gl = glExtensions_;
  if (!canMakeFramebuffers(gl)) return;  // emulated
  GLuint framebuffer = 0, depthBuffer = 0;
  gl.glGenFramebuffersEXT(1, &framebuffer);
  gl.glGenRenderbuffersEXT(1, &depthBuffer);
  GLint previousFramebuffer = 0, previousRenderbuffer = 0;
  glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &previousFramebuffer);
  glGetIntegerv(GL_RENDERBUFFER_BINDING_EXT, &previousRenderbuffer);
  gl.glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, depthBuffer);
  gl.glRenderbufferStorageEXT(GL_RENDERBUFFER_EXT, GL_DEPTH_COMPONENT24, textureWidth,
                              textureHeight);
  // Completeness belongs to the framebuffer bound: the new one is asked with its attachments
  // in place (the window's own would always answer complete).
  gl.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, framebuffer);
  gl.glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D,
                               row.texture, 0);
  gl.glFramebufferRenderbufferEXT(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT, GL_RENDERBUFFER_EXT,
                                  depthBuffer);
  const GLenum status = gl.glCheckFramebufferStatusEXT(GL_FRAMEBUFFER_EXT);
  gl.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, static_cast<GLuint>(previousFramebuffer));
  gl.glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, static_cast<GLuint>(previousRenderbuffer));
  if (status != GL_FRAMEBUFFER_COMPLETE_EXT) {
    if (gl.glDeleteFramebuffersEXT) gl.glDeleteFramebuffersEXT(1, &framebuffer);
    if (gl.glDeleteRenderbuffersEXT) gl.glDeleteRenderbuffersEXT(1, &depthBuffer);
    return;  // emulated
  }
  target.framebuffer = framebuffer;
  target.depthBuffer = depthBuffer;
  target.width = textureWidth;
  target.height = textureHeight;
}

void OpenGLRainbows::useTarget(int32_t n) {
  if (!validTarget(n)) return;
  if (gfx2d_->currentTarget >= 0) leaveTarget();
  gfx2d_->currentTarget = n;
  const OffscreenTarget& target = gfx2d_->targets[n];
  const SpriteEntry* row = spriteEntry(target.sprite);
  const int32_t w = row ? row->width : 0;
  const int32_t h = row ? row->height : 0;
  const GlExtensionTable& gl = glExtensions_;
  if (usesFramebuffer(target, gl)) {
    gl.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, target.framebuffer);
    if (gl.glBindRenderbufferEXT) gl.glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, target.depthBuffer);
    // The sprite may have been reloaded since: attach what the row holds now.
    if (gl.glFramebufferTexture2DEXT) {
      gl.glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D,
                                   row ? row->texture : 0, 0);
    }
    if (gl.glFramebufferRenderbufferEXT) {
      gl.glFramebufferRenderbufferEXT(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT,
                                      GL_RENDERBUFFER_EXT, target.depthBuffer);
    }
    resetView(0, 0, w, h);
    // The view counts from the framebuffer's bottom-left corner, not the window's.
    glViewport(0, 0, w, h);
    return;
  }
  resetView(0, 0, w, h);
  OpaqueDrawing opaque(*gfx2d_);
  grabSprite(kScreenBackupSprite, 0, 0, w, h);
  drawRect(0, 0, static_cast<float>(w), static_cast<float>(h), gfx2d_->spriteKey);
  // Drawing goes on over what the target already holds.
  drawSprite(target.sprite, 0, 0);
}

void OpenGLRainbows::leaveTarget() {
  const int32_t n = gfx2d_->currentTarget;
  if (validTarget(n)) {
    const OffscreenTarget& target = gfx2d_->targets[n];
    const GlExtensionTable& gl = glExtensions_;
    if (usesFramebuffer(target, gl)) {
      gl.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
      if (gl.glBindRenderbufferEXT) gl.glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, 0);
    } else if (const SpriteEntry* row = spriteEntry(target.sprite)) {
      OpaqueDrawing opaque(*gfx2d_);
      // Pixels still of the transparent colour become transparent in the sprite.
      grabSprite(target.sprite, 0, 0, row->width, row->height);
      drawRect(0, 0, row->textureWidth, row->textureHeight, kLeftBehindColour);
      drawSprite(kScreenBackupSprite, 0, 0);
    }
  }
  resetView(0, 0, 0, 0);
  gfx2d_->currentTarget = -1;
}

}  // namespace korvane
