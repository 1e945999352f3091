// The spine's 3D steps in the started runtime: the renderer made beside the display, the
// viewport command leaving 3D, the frame switching the shadow pass off, and the shutdown.
#include <gtest/gtest.h>

#include "runtime/core/frame_loop.h"
#include "runtime/core/startup.h"
#include "runtime/core/stop/project_settings.h"
#include "runtime/gfx2d/gfx2d_commands.h"
#include "runtime/gfx3d/rainbows3d.h"

namespace korvane {
namespace {

TEST(Spine3DTest, RendererLivesBesideTheDisplay) {
  projectSettings() = ProjectSettings{};
  ASSERT_EQ(startRuntime(nullptr, nullptr, "", kShowDefault, "3D spine test"), 0);
  Rainbows3D* renderer = rainbows3D();
  ASSERT_NE(renderer, nullptr);
  EXPECT_EQ(renderer->display(), display());

  // The viewport command leaves 3D first: the shadow pass goes off.
  renderer->beginScene3D(1, 100, 60);
  renderer->setShadowPass(1);
  viewport(10, 10, 100, 100);
  EXPECT_FALSE(renderer->shadowPass());
  EXPECT_FALSE(renderer->in3D());
  EXPECT_EQ(display()->viewWidth(), 100);

  // So does every presented frame.
  renderer->beginScene3D(1, 100, 60);
  renderer->setShadowPass(1);
  presentFrame();
  EXPECT_FALSE(renderer->shadowPass());
  GLboolean colourWrites[4] = {};
  glGetBooleanv(GL_COLOR_WRITEMASK, colourWrites);
  EXPECT_TRUE(colourWrites[0]);

  shutdownRuntime();
  EXPECT_EQ(rainbows3D(), nullptr);
  EXPECT_EQ(display(), nullptr);
}

}  // namespace
}  // namespace korvane
