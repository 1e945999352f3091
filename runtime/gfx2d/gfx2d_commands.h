// The program's 2D commands over the process-wide display: sprites and image files, drawing
// and fonts. Numbers arrive as doubles (ids, frames and colours truncated to integers,
// coordinates passed on as floats); file names go through the media resolver. Every command
// does nothing while no display exists. The fading background presents frames and the viewport
// command leaves 3D through the calls the start-up registers (runtime/core/stop/upward_calls.h).
#pragma once

#include "runtime/gfx2d/opengl_rainbows.h"
#include "runtime/values/rt_string.h"

namespace korvane {

// Sprites and pictures.
void loadSprite(double id, const RtString& file);
void loadAnimation(double id, const RtString& file, double frameWidth, double frameHeight);
void loadBumpTexture(double id, const RtString& file);
void loadFont(double n, const RtString& file);
void spriteSize(double id, double& width, double& height);
void setTransparentColour(double colour);
double spriteCollision(double id1, double x1, double y1, double id2, double x2, double y2);
void loadBackground(const RtString& file);
void loadBackgroundFading(const RtString& file);
void clearBackground();

// Drawing.
void alphaMode(double level);
void drawSprite(double id, double x, double y);
void stretchSprite(double id, double x, double y, double width, double height);
void zoomSprite(double id, double x, double y, double zoomX, double zoomY);
void rotateSprite(double id, double x, double y, double angle);
void rotateZoomSprite(double id, double x, double y, double angle, double zoom);
void animationFrame(double id, double frame, double x, double y);
void startPolygon(double id);
void polygonVertex(double x, double y, double s, double t, double colour);
void endPolygon();
void setPixel(double x, double y, double colour);
void drawLine(double x1, double y1, double x2, double y2, double colour);
void drawRect(double x, double y, double width, double height, double colour);
void screenSize(double& width, double& height);
void viewport(double x, double y, double width, double height);
// id -1 unbinds and disables texturing; the smoothing flag chooses the smooth textures.
void setTexture(double id, double secondId);
void textureSmoothing(double flag);

// Screen grabs, picture files and offscreen targets. Positions count from the top-left.
// The colour 0x00BBGGRR of the back-buffer pixel at (x, y).
double getPixel(double x, double y);
// The area into sprite `id` (a texture of at least 32 × 32).
void grabSprite(double id, double x, double y, double width, double height);
// The whole screen into the background picture (tiled slot 0).
void screenToBackground();
// The screen or the sprite's picture as a file: PNG when the name ends in ".png" (any case)
// after at least one more character, else a 24-bit BMP. Pixels of the sprite transparent colour
// (all three channels equal) are written as 0x8000FF in a BMP, and with alpha 0 in a PNG (every
// other pixel opaque), so both read back transparent. 1 when written, 0 when not (an existing
// file is then left as it was).
double saveScreen(const RtString& file);
double saveSprite(double id, const RtString& file);
// Target n (0..31; others ignored) draws into sprite `id`, made an empty width × height picture.
void createScreen(double n, double id, double width, double height);
// n < 0: drawing goes back to the screen; 0..31: into target n; larger n: ignored.
void useScreen(double n);

// Fonts: the current font is 0..31.
void print(const RtString& text, double x, double y);
void print(const char* text, double x, double y);
void printNumber(double value, double x, double y);
void setFont(double n);
void fontSize(double& width, double& height);

// The spine's start-up: font slot 0 from "" (the built-in font) then from "smalfont.bmp",
// and "Loading..." drawn centred (the caller presents the frame).
void showLoadingScreen(OpenGLRainbows& display);
// The spine's frame code, after the swap: blending off, level 1 and white, the background
// picture drawn, texture smoothing back to 0.
void prepareNext2dFrame(OpenGLRainbows& display);

}  // namespace korvane
