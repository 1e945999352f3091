// OpenGLRainbows on a real X server: window, context, 2D view state read back from GL,
// extension loading, the multisample search and the fullscreen paths.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "runtime/gfx2d/display_extensions.h"
#include "runtime/gfx2d/opengl_rainbows_internal.h"
#include "runtime/platform/window.h"
#include "tests/support/private_tmpdir.h"

namespace korvane {
namespace {

class DisplayTest : public testing::PrivateTmpDirTest {
 protected:
  DisplayTest() : PrivateTmpDirTest("korvane-display-") {}
  void SetUp() override {
    PrivateTmpDirTest::SetUp();
    display_ = std::make_unique<OpenGLRainbows>();
    ASSERT_EQ(display_->createDisplay(nullptr, 640, 480, 0, 60, 0), 1);
    // The one software-renderer notice of the process is not what these tests look at.
    std::filesystem::remove(logPath());
  }
  void TearDown() override {
    display_.reset();
    PrivateTmpDirTest::TearDown();
  }

  std::unique_ptr<OpenGLRainbows> display_;
};

TEST_F(DisplayTest, CreateDisplayShowsAWindowWithAReadyContext) {
  platform::Window* window = display_->window();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(platform::windowSize(window).width, 640);
  EXPECT_EQ(platform::windowSize(window).height, 480);
  EXPECT_EQ(display_->width(), 640);
  EXPECT_EQ(display_->height(), 480);
  EXPECT_EQ(display_->colourBits(), platform::desktopColourBits());
  EXPECT_EQ(display_->fullscreen(), 0);
  EXPECT_EQ(display_->contextReady(), 1);
  EXPECT_TRUE(platform::windowVisible(window));
  EXPECT_DOUBLE_EQ(display_->framePeriod(), 1000.0 / 60);
  EXPECT_EQ(display_->useHighResolutionCounter(), 1);
  EXPECT_GT(display_->counterFrequency(), 0);
  // The deadline starts at the clock reading of the creation.
  EXPECT_DOUBLE_EQ(display_->nextFrameDeadline(), display_->timeBase());
  // The pixel format: double buffer, depth 24, stencil 8.
  GLint depth = 0, stencil = 0;
  GLboolean doubleBuffer = GL_FALSE;
  glGetIntegerv(GL_DEPTH_BITS, &depth);
  glGetIntegerv(GL_STENCIL_BITS, &stencil);
  glGetBooleanv(GL_DOUBLEBUFFER, &doubleBuffer);
  EXPECT_GE(depth, 24);
  EXPECT_EQ(stencil, 8);
  EXPECT_EQ(doubleBuffer, GL_TRUE);
  // Legacy calls work in the context (compatibility profile).
  glBegin(GL_POINTS);
  glEnd();
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  EXPECT_FALSE(platform::screenSaverEnabled());
}

TEST_F(DisplayTest, ZeroSizeTakesTheCreatedWindowsSize) {
  OpenGLRainbows other;
  ASSERT_EQ(other.createDisplay(nullptr, 0, 0, 0, 60, 0), 1);
  platform::Size size = platform::windowSize(other.window());
  EXPECT_GT(size.width, 0);
  EXPECT_EQ(other.width(), size.width);
  EXPECT_EQ(other.height(), size.height);
}

TEST_F(DisplayTest, ResetViewSetsTheDefault2DState) {
  glEnable(GL_DEPTH_TEST);
  glEnable(GL_LIGHTING);
  glShadeModel(GL_SMOOTH);
  display_->resetView(0, 0, 0, 0);

  std::array<GLint, 4> viewport{};
  glGetIntegerv(GL_VIEWPORT, viewport.data());
  EXPECT_EQ(viewport, (std::array<GLint, 4>{0, 0, 640, 480}));

  // glOrtho(0, 640, 480, 0, -1, 1): x right, y down, one unit per pixel.
  std::array<GLfloat, 16> projection{};
  glGetFloatv(GL_PROJECTION_MATRIX, projection.data());
  const std::array<GLfloat, 16> ortho = {2.0f / 640, 0, 0,  0, 0,  -2.0f / 480, 0, 0,
                                         0,          0, -1, 0, -1, 1,           0, 1};
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(projection[i], ortho[i], 1e-6) << i;
  std::array<GLfloat, 16> modelView{};
  glGetFloatv(GL_MODELVIEW_MATRIX, modelView.data());
  for (int i = 0; i < 16; ++i) EXPECT_FLOAT_EQ(modelView[i], i % 5 == 0 ? 1.0f : 0.0f) << i;

  for (GLenum on : {GL_TEXTURE_2D, GL_CULL_FACE, GL_ALPHA_TEST}) {
    EXPECT_TRUE(glIsEnabled(on)) << std::hex << on;
  }
  for (GLenum off : {GL_DEPTH_TEST, GL_DITHER, GL_FOG, GL_LINE_SMOOTH, GL_POINT_SMOOTH,
                     GL_POLYGON_SMOOTH, GL_STENCIL_TEST, GL_POLYGON_OFFSET_POINT, GL_COLOR_MATERIAL,
                     GL_AUTO_NORMAL, GL_NORMALIZE, GL_LIGHTING}) {
    EXPECT_FALSE(glIsEnabled(off)) << std::hex << off;
  }
  GLint value = 0;
  glGetIntegerv(GL_FRONT_FACE, &value);
  EXPECT_EQ(value, GL_CCW);
  glGetIntegerv(GL_ALPHA_TEST_FUNC, &value);
  EXPECT_EQ(value, GL_GREATER);
  GLfloat reference = 0;
  glGetFloatv(GL_ALPHA_TEST_REF, &reference);
  EXPECT_NEAR(reference, 0.15, 1e-6);
  glGetIntegerv(GL_SHADE_MODEL, &value);
  EXPECT_EQ(value, GL_FLAT);
  glGetIntegerv(GL_PERSPECTIVE_CORRECTION_HINT, &value);
  EXPECT_EQ(value, GL_FASTEST);
  glGetIntegerv(GL_POLYGON_SMOOTH_HINT, &value);
  EXPECT_EQ(value, GL_FASTEST);
  std::array<GLfloat, 4> colour{}, clear{};
  glGetFloatv(GL_CURRENT_COLOR, colour.data());
  glGetFloatv(GL_COLOR_CLEAR_VALUE, clear.data());
  EXPECT_EQ(colour, (std::array<GLfloat, 4>{1, 1, 1, 1}));
  EXPECT_EQ(clear, (std::array<GLfloat, 4>{0, 0, 0, 1}));
}

// Reads one pixel of the back buffer, y counted from the top.
std::array<GLubyte, 3> pixelAt(int x, int yFromTop, int screenHeight) {
  std::array<GLubyte, 4> rgba{};
  glReadBuffer(GL_BACK);
  glReadPixels(x, screenHeight - 1 - yFromTop, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
  return {rgba[0], rgba[1], rgba[2]};
}

TEST_F(DisplayTest, ViewOriginIsTheTopLeftPixelCorner) {
  struct Case {
    int x, y, width, height;  // the view
    int pixelX, pixelY;       // where its (2, 3) pixel lands on the screen, from the top
  };
  const Case cases[] = {
      {0, 0, 0, 0, 2, 3},
      {100, 50, 200, 100, 102, 53},
  };
  for (const Case& c : cases) {
    display_->resetView(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    display_->resetView(c.x, c.y, c.width, c.height);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_CULL_FACE);
    glColor3f(1, 0, 0);
    glRectf(2, 3, 3, 4);  // exactly the view's pixel (2, 3)
    glFinish();
    std::array<GLubyte, 3> red = {255, 0, 0}, black = {0, 0, 0};
    EXPECT_EQ(pixelAt(c.pixelX, c.pixelY, 480), red) << c.x;
    EXPECT_EQ(pixelAt(c.pixelX + 1, c.pixelY, 480), black) << c.x;
    EXPECT_EQ(pixelAt(c.pixelX, c.pixelY + 1, 480), black) << c.x;
  }
}

TEST_F(DisplayTest, ResetViewTakesTheWholeScreenForAnEmptySize) {
  struct Case {
    int x, y, width, height;
    std::array<GLint, 4> viewport;  // GL's, y from the bottom
    std::array<int, 4> view;
  };
  const Case cases[] = {
      {10, 20, 0, 5, {10, -20, 640, 480}, {10, 20, 640, 480}},
      {10, 20, -1, -1, {10, -20, 640, 480}, {10, 20, 640, 480}},
      {10, 20, 100, 50, {10, 410, 100, 50}, {10, 20, 100, 50}},
      {0, 0, 640, 480, {0, 0, 640, 480}, {0, 0, 640, 480}},
  };
  for (const Case& c : cases) {
    display_->resetView(c.x, c.y, c.width, c.height);
    std::array<GLint, 4> viewport{};
    glGetIntegerv(GL_VIEWPORT, viewport.data());
    EXPECT_EQ(viewport, c.viewport);
    std::array<int, 4> view = {display_->viewX(), display_->viewY(), display_->viewWidth(),
                               display_->viewHeight()};
    EXPECT_EQ(view, c.view);
  }
  display_->setScreenSize(320, 240);
  EXPECT_EQ(display_->viewWidth(), 320);
  EXPECT_EQ(display_->viewHeight(), 240);
}

TEST_F(DisplayTest, FrameRateGivesThePeriod) {
  struct Case {
    int fps;
    double period;
  };
  const Case cases[] = {{60, 1000.0 / 60}, {0, 2.0}, {-5, 2.0}, {59, 1000.0 / 59}, {1, 1000.0}};
  for (const Case& c : cases) {
    display_->setFrameRate(c.fps);
    EXPECT_DOUBLE_EQ(display_->framePeriod(), c.period) << c.fps;
  }
}

TEST_F(DisplayTest, EntryPointTableListsEveryNameInLoadingOrder) {
  const char* const expected[] = {
      "glActiveTextureARB",
      "glMultiTexCoord2fARB",
      "glClientActiveTextureARB",
      "glGenBuffersARB",
      "glBindBufferARB",
      "glBufferDataARB",
      "glDeleteBuffersARB",
      "glMapBufferARB",
      "glUnmapBufferARB",
      "glGetBufferParameterivARB",
      "glCreateProgramObjectARB",
      "glDeleteObjectARB",
      "glCreateShaderObjectARB",
      "glShaderSourceARB",
      "glCompileShaderARB",
      "glGetObjectParameterivARB",
      "glAttachObjectARB",
      "glGetInfoLogARB",
      "glLinkProgramARB",
      "glUseProgramObjectARB",
      "glGetUniformLocationARB",
      "glUniform1fARB",
      "glUniform1iARB",
      "glBindRenderbufferEXT",
      "glDeleteRenderbuffersEXT",
      "glGenRenderbuffersEXT",
      "glRenderbufferStorageEXT",
      "glBindFramebufferEXT",
      "glDeleteFramebuffersEXT",
      "glGenFramebuffersEXT",
      "glCheckFramebufferStatusEXT",
      "glFramebufferTexture2DEXT",
      "glFramebufferRenderbufferEXT",
  };
  ASSERT_EQ(std::size(expected), kGlEntryPoints.size());
  for (size_t i = 0; i < kGlEntryPoints.size(); ++i) {
    EXPECT_STREQ(kGlEntryPoints[i].name, expected[i]) << i;
    std::string_view extension = i < 10   ? "GL_ARB_multitexture"
                                 : i < 23 ? "GL_ARB_fragment_program"
                                          : "GL_EXT_framebuffer_object";
    EXPECT_EQ(kGlEntryPoints[i].extension, extension) << expected[i];
  }
}

TEST_F(DisplayTest, EntryPointsAreLoadedOnlyForAdvertisedExtensions) {
  const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
  ASSERT_NE(extensions, nullptr);
  for (size_t i = 0; i < kGlEntryPoints.size(); ++i) {
    bool advertised =
        std::string_view(extensions).find(kGlEntryPoints[i].extension) != std::string_view::npos;
    EXPECT_EQ(kGlEntryPoints[i].read(display_->glExtensions()) != nullptr, advertised)
        << kGlEntryPoints[i].name;
  }
  // Names GLX would resolve anyway stay null without their extension.
  GlExtensionTable table;
  loadGlExtensions(table, "GL_ARB_texture_env_add GL_EXT_bgra");
  for (size_t i = 0; i < kGlEntryPoints.size(); ++i) {
    EXPECT_EQ(kGlEntryPoints[i].read(table), nullptr) << kGlEntryPoints[i].name;
  }
  // The shader entry point the frame code uses works when loaded.
  if (display_->glExtensions().glUseProgramObjectARB != nullptr) {
    display_->useNoShaderProgram();
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  }
}

TEST_F(DisplayTest, ExtensionNamesMatchAsWholeWords) {
  struct Case {
    const char* extensions;
    const char* name;
    bool found;
  };
  const Case cases[] = {
      {"GL_A GL_B GL_C", "GL_A", true},
      {"GL_A GL_B GL_C", "GL_B", true},
      {"GL_A GL_B GL_C", "GL_C", true},
      {"GL_AB GL_B", "GL_A", false},
      {"XGL_A GL_AB", "GL_A", false},
      {"XGL_A GL_AB GL_A", "GL_A", true},  // a later occurrence counts
      {"", "GL_A", false},
      {"GL_A", "", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(containsExtensionWord(c.extensions, c.name), c.found)
        << c.extensions << " / " << c.name;
  }
  EXPECT_EQ(display_->hasGlExtension("GL_EXT_framebuffer_object"), 1);
  EXPECT_EQ(display_->hasGlExtension("GL_EXT_framebuffer"), 0);
  EXPECT_EQ(display_->hasGlExtension("GL_NO_SUCH_extension"), 0);
}

TEST_F(DisplayTest, MultisampleSearchHalvesTheRequest) {
  struct Case {
    int request;
    std::vector<int32_t> order;
  };
  const Case cases[] = {
      {8, {8, 4, 2, 1}}, {6, {6, 3, 1}}, {1, {1}}, {0, {}}, {-4, {}},
  };
  for (const Case& c : cases) {
    int32_t out[32];
    int count = multisampleSearchOrder(c.request, out, 32);
    EXPECT_EQ(std::vector<int32_t>(out, out + count), c.order) << c.request;
  }

  OpenGLRainbows searching;
  std::vector<int32_t> tried;
  setMultisampleAttemptForTesting(searching, [&](int32_t samples) {
    tried.push_back(samples);
    return samples == 2;
  });
  EXPECT_EQ(searching.chooseMultisamplePixelFormat(8), 2);
  EXPECT_EQ(tried, (std::vector<int32_t>{8, 4, 2}));
  tried.clear();
  setMultisampleAttemptForTesting(searching, [&](int32_t samples) {
    tried.push_back(samples);
    return false;
  });
  EXPECT_EQ(searching.chooseMultisamplePixelFormat(6), 0);
  EXPECT_EQ(tried, (std::vector<int32_t>{6, 3, 1}));
}

TEST_F(DisplayTest, MultisampleRequestGetsWhatTheDriverHasOrNone) {
  for (int request : {0, 4}) {
    OpenGLRainbows other;
    ASSERT_EQ(other.createDisplay(nullptr, 320, 240, 0, 60, request), 1) << request;
    GLint buffers = 0, samples = 0;
    glGetIntegerv(GL_SAMPLE_BUFFERS, &buffers);
    glGetIntegerv(GL_SAMPLES, &samples);
    if (request == 0) {
      EXPECT_EQ(buffers, 0);
      EXPECT_EQ(other.multisample(), 0);
    } else if (other.multisample() == 0) {
      EXPECT_EQ(buffers, 0) << "no multisample format found, so none is in use";
    } else {
      EXPECT_EQ(buffers, 1);
      EXPECT_GE(samples, 1);
      EXPECT_LE(samples, request);
    }
    EXPECT_EQ(platform::windowSize(other.window()).width, 320);
  }
}

TEST_F(DisplayTest, FullscreenWithoutAModeOfThatSizeStaysWindowed) {
  ASSERT_FALSE(platform::hasDisplayMode(640, 480)) << "the test display must lack 640x480";
  platform::Position before = platform::windowPosition(display_->window());
  EXPECT_EQ(display_->enterFullscreen(), 0);
  EXPECT_EQ(log(), "No Fullscreen Mode available\r\n");
  EXPECT_EQ(display_->fullscreen(), 0);
  EXPECT_FALSE(platform::windowFullscreen(display_->window()));
  EXPECT_TRUE(platform::windowVisible(display_->window()));
  EXPECT_EQ(platform::windowSize(display_->window()).width, 640);
  platform::Position after = platform::windowPosition(display_->window());
  EXPECT_EQ(after.x, before.x);
  EXPECT_EQ(after.y, before.y);
  EXPECT_EQ(display_->setDisplayMode(0, 0, 0, 1), 0);  // the same path through setDisplayMode
}

TEST_F(DisplayTest, FullscreenAtTheDesktopSizeKeepsWindowContextAndTextures) {
  platform::Size desktop = platform::desktopSize();
  ASSERT_TRUE(platform::hasDisplayMode(desktop.width, desktop.height));
  GLuint texture = 0;
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  const GLubyte texel[4] = {1, 2, 3, 4};
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, texel);
  platform::Window* window = display_->window();
  platform::GlContext* context = display_->glContext();
  platform::Position windowed = platform::windowPosition(window);

  EXPECT_EQ(display_->setDisplayMode(desktop.width, desktop.height, 0, 1), 1);
  EXPECT_EQ(display_->fullscreen(), 1);
  EXPECT_EQ(display_->window(), window);
  EXPECT_EQ(display_->glContext(), context);
  EXPECT_TRUE(platform::windowFullscreen(window));
  EXPECT_EQ(display_->viewWidth(), desktop.width);
  EXPECT_TRUE(glIsTexture(texture));
  EXPECT_EQ(log(), "");

  EXPECT_EQ(display_->setDisplayMode(640, 480, 0, 0), 1);
  EXPECT_EQ(display_->fullscreen(), 0);
  EXPECT_FALSE(platform::windowFullscreen(window));
  EXPECT_TRUE(glIsTexture(texture));
  EXPECT_EQ(platform::windowSize(window).width, 640);
  EXPECT_EQ(platform::windowSize(window).height, 480);
  platform::Position back = platform::windowPosition(window);
  EXPECT_EQ(back.x, windowed.x);
  EXPECT_EQ(back.y, windowed.y);
  glDeleteTextures(1, &texture);
}

TEST_F(DisplayTest, HideAndWindowedRestoreTheWindow) {
  platform::Window* window = display_->window();
  platform::Position before = platform::windowPosition(window);
  EXPECT_EQ(display_->hideDisplay(), 1);
  EXPECT_FALSE(platform::windowVisible(window));
  EXPECT_EQ(display_->enterWindowed(), 1);
  EXPECT_TRUE(platform::windowVisible(window));
  platform::Position after = platform::windowPosition(window);
  EXPECT_EQ(after.x, before.x);
  EXPECT_EQ(after.y, before.y);
}

TEST_F(DisplayTest, CloseDisplayDestroysTheWindowOnce) {
  EXPECT_EQ(display_->closeDisplay(), 1);
  EXPECT_EQ(display_->window(), nullptr);
  EXPECT_EQ(display_->width(), 0);
  EXPECT_EQ(display_->height(), 0);
  EXPECT_EQ(display_->contextReady(), 0);
  EXPECT_NE(display_->glContext(), nullptr);  // kept for the destructor
  EXPECT_EQ(display_->closeDisplay(), 0);
  // The display can be made again on the kept context.
  EXPECT_EQ(display_->createDisplay(nullptr, 640, 480, 0, 60, 0), 1);
  EXPECT_EQ(display_->contextReady(), 1);
}

}  // namespace
}  // namespace korvane
