#include "runtime/gfx2d/gfx2d_commands.h"

#include <algorithm>
#include <string>

#include "runtime/core/stop/upward_calls.h"
#include "runtime/gfx2d/opengl_rainbows_internal.h"
#include "runtime/lib/media_resolver.h"
#include "runtime/values/conversions.h"
#include "runtime/values/number_text.h"

namespace korvane {
namespace {

constexpr const char* kDefaultFontFile = "smalfont.bmp";
constexpr const char* kLoadingText = "Loading...";

int32_t toInt(double value) { return truncateToInt32(value); }
// Colours keep their low 32 bits, so 0xFFFFFFFF written as a number still means -1.
int32_t toColour(double value) { return static_cast<int32_t>(truncateToInt64(value)); }
float toFloat(double value) { return static_cast<float>(value); }
int32_t toFont(double n) { return std::clamp(toInt(n), 0, kFontSlotCount - 1); }

// "" when the name is neither on disk nor in the media pack.
std::string resolve(const RtString& file) { return mediaPathToOpen(viewOf(file)); }

}  // namespace

void loadSprite(double id, const RtString& file) {
  OpenGLRainbows* d = display();
  if (!d) return;
  const int32_t row = toInt(id);
  d->deleteSprite(row);
  const std::string path = resolve(file);
  if (path.empty()) return;
  d->loadSprite(row, path, gfx2dState(*d).spriteKey, 0);
}

void loadAnimation(double id, const RtString& file, double frameWidth, double frameHeight) {
  loadSprite(id, file);
  OpenGLRainbows* d = display();
  if (!d) return;
  int32_t width = 0, height = 0;
  d->spriteSize(toInt(id), width, height);
  if (width > 0) d->setFrameSize(toInt(id), toInt(frameWidth), toInt(frameHeight));
}

void loadBumpTexture(double id, const RtString& file) {
  OpenGLRainbows* d = display();
  if (!d) return;
  const int32_t row = toInt(id);
  d->deleteSprite(row);
  const std::string path = resolve(file);
  if (path.empty()) return;
  d->loadSprite(row, path, kDefaultSpriteKey, 1);
}

void loadFont(double n, const RtString& file) {
  OpenGLRainbows* d = display();
  if (!d) return;
  const int32_t font = toFont(n);
  gfx2dState(*d).currentFont = font;
  d->loadFont(font, resolve(file));
}

void spriteSize(double id, double& width, double& height) {
  int32_t w = 0, h = 0;
  if (OpenGLRainbows* d = display()) d->spriteSize(toInt(id), w, h);
  width = w;
  height = h;
}

void setTransparentColour(double colour) {
  if (OpenGLRainbows* d = display()) d->setTransparentColour(toColour(colour));
}

double spriteCollision(double id1, double x1, double y1, double id2, double x2, double y2) {
  OpenGLRainbows* d = display();
  if (!d) return 0;
  return d->spritesCollide(toInt(id1), toInt(x1), toInt(y1), toInt(id2), toInt(x2), toInt(y2));
}

void loadBackground(const RtString& file) {
  OpenGLRainbows* d = display();
  if (!d) return;
  const std::string path = resolve(file);
  if (!path.empty() && d->loadTiledImage(kBackgroundSlot, path)) {
    d->drawTiledImage(kBackgroundSlot);
    return;
  }
  d->deleteTiledImage(kBackgroundSlot);
  d->clearColourBuffer();
}

void loadBackgroundFading(const RtString& file) {
  if (OpenGLRainbows* d = display()) d->fadeToBackground(resolve(file));
}

void clearBackground() {
  OpenGLRainbows* d = display();
  if (!d) return;
  d->deleteTiledImage(kBackgroundSlot);
  d->clearColourBuffer();
}

void alphaMode(double level) {
  if (OpenGLRainbows* d = display()) d->setAlphaMode(toFloat(level));
}

void drawSprite(double id, double x, double y) {
  if (OpenGLRainbows* d = display()) d->drawSprite(toInt(id), toFloat(x), toFloat(y));
}

void stretchSprite(double id, double x, double y, double width, double height) {
  if (OpenGLRainbows* d = display()) {
    d->drawStretched(toInt(id), toFloat(x), toFloat(y), toFloat(width), toFloat(height));
  }
}

void zoomSprite(double id, double x, double y, double zoomX, double zoomY) {
  if (OpenGLRainbows* d = display()) {
    d->drawZoomed(toInt(id), toFloat(x), toFloat(y), toFloat(zoomX), toFloat(zoomY));
  }
}

void rotateSprite(double id, double x, double y, double angle) {
  if (OpenGLRainbows* d = display()) {
    d->drawRotated(toInt(id), toFloat(x), toFloat(y), toFloat(angle), 1.0f);
  }
}

void rotateZoomSprite(double id, double x, double y, double angle, double zoom) {
  if (OpenGLRainbows* d = display()) {
    d->drawRotated(toInt(id), toFloat(x), toFloat(y), toFloat(angle), toFloat(zoom));
  }
}

void animationFrame(double id, double frame, double x, double y) {
  if (OpenGLRainbows* d = display()) d->drawFrame(toInt(id), toInt(frame), toFloat(x), toFloat(y));
}

void startPolygon(double id) {
  if (OpenGLRainbows* d = display()) d->beginPolygon(toInt(id));
}

void polygonVertex(double x, double y, double s, double t, double colour) {
  if (OpenGLRainbows* d = display()) {
    d->addPolygonVertex(toFloat(x), toFloat(y), toFloat(s), toFloat(t), toColour(colour));
  }
}

void endPolygon() {
  if (OpenGLRainbows* d = display()) d->endPolygon();
}

void setPixel(double x, double y, double colour) {
  if (OpenGLRainbows* d = display()) d->drawPoint(toFloat(x), toFloat(y), toColour(colour));
}

void drawLine(double x1, double y1, double x2, double y2, double colour) {
  if (OpenGLRainbows* d = display()) {
    d->drawLine(toFloat(x1), toFloat(y1), toFloat(x2), toFloat(y2), toColour(colour));
  }
}

void drawRect(double x, double y, double width, double height, double colour) {
  if (OpenGLRainbows* d = display()) {
    d->drawRect(toFloat(x), toFloat(y), toFloat(width), toFloat(height), toColour(colour));
  }
}

void screenSize(double& width, double& height) {
  OpenGLRainbows* d = display();
  width = d ? d->width() : 0;
  height = d ? d->height() : 0;
}

void viewport(double x, double y, double width, double height) {
  OpenGLRainbows* d = display();
  if (!d) return;
  if (auto leave3d = upwardCalls().leave3d) leave3d();
  d->resetView(toInt(x), toInt(y), toInt(width), toInt(height));
}

void setTexture(double id, double secondId) {
  if (OpenGLRainbows* d = display()) {
    d->bindSprite(toInt(id), toInt(secondId), gfx2dState(*d).textureSmoothing);
  }
}

void textureSmoothing(double flag) {
  if (OpenGLRainbows* d = display()) gfx2dState(*d).textureSmoothing = toInt(flag);
}

double getPixel(double x, double y) {
  OpenGLRainbows* d = display();
  return d ? d->readPixel(toInt(x), toInt(y)) : 0;
}

void grabSprite(double id, double x, double y, double width, double height) {
  if (OpenGLRainbows* d = display()) {
    d->grabSprite(toInt(id), toInt(x), toInt(y), toInt(width), toInt(height));
  }
}

void screenToBackground() {
  if (OpenGLRainbows* d = display()) d->grabScreenToTiled(kBackgroundSlot);
}

double saveScreen(const RtString& file) {
  OpenGLRainbows* d = display();
  return d ? d->saveScreen(textOf(file)) : 0;
}

double saveSprite(double id, const RtString& file) {
  OpenGLRainbows* d = display();
  return d ? d->saveSprite(toInt(id), textOf(file)) : 0;
}

void createScreen(double n, double id, double width, double height) {
  if (OpenGLRainbows* d = display()) {
    d->createTarget(toInt(n), toInt(id), toInt(width), toInt(height));
  }
}

void useScreen(double n) {
  OpenGLRainbows* d = display();
  if (!d) return;
  const int32_t target = toInt(n);
  if (target < 0) {
    d->leaveTarget();
  } else if (target < kOffscreenTargetCount) {
    d->useTarget(target);
  }
}

void print(const char* text, double x, double y) {
  if (OpenGLRainbows* d = display()) {
    d->printText(gfx2dState(*d).currentFont, textOf(text), toFloat(x), toFloat(y), 0.0f);
  }
}

void print(const RtString& text, double x, double y) { print(textOf(text), x, y); }

void printNumber(double value, double x, double y) { print(numberToText(value), x, y); }

void setFont(double n) {
  if (OpenGLRainbows* d = display()) gfx2dState(*d).currentFont = toFont(n);
}

void fontSize(double& width, double& height) {
  int32_t w = 0, h = 0;
  if (OpenGLRainbows* d = display()) d->fontCellSize(gfx2dState(*d).currentFont, w, h);
  width = w;
  height = h;
}

void showLoadingScreen(OpenGLRainbows& d) {
  gfx2dState(d).currentFont = 0;
  d.loadFont(0, "");
  d.loadFont(0, mediaPathToOpen(kDefaultFontFile));
  int32_t cellWidth = 0, cellHeight = 0;
  d.fontCellSize(0, cellWidth, cellHeight);
  const double textWidth =
      static_cast<double>(std::char_traits<char>::length(kLoadingText)) * cellWidth;
  const double x = (d.width() - textWidth) * 0.5;
  const double y = (d.height() - cellHeight) * 0.5;
  d.printText(0, kLoadingText, static_cast<float>(x), static_cast<float>(y), 0.0f);
}

void prepareNext2dFrame(OpenGLRainbows& d) {
  d.setAlphaMode(0);
  d.drawTiledImage(kBackgroundSlot);
  gfx2dState(d).textureSmoothing = 0;
}

}  // namespace korvane
