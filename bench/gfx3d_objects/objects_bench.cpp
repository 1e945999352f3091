// Objects built from code: endObject of a 100,000-vertex strip object with smoothing modes 0, 1
// and 2, normal generation over the same object with and without welding by position, and one
// frame of a 100,000-triangle object on the display (run under tools/with-display), drawn from
// client vertex arrays by drawObject and, for comparison, from buffer objects.
#include <GL/gl.h>
#include <GL/glext.h>
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "runtime/gfx2d/opengl_rainbows.h"
#include "runtime/gfx2d/opengl_rainbows_internal.h"
#include "runtime/gfx3d/normal_generation.h"
#include "runtime/gfx3d/object_renderer.h"
#include "runtime/gfx3d/rainbows3d.h"

namespace {

using namespace korvane;

constexpr int kStrips = 100;
constexpr int kColumns = 500;  // two vertices each: 1,000 a strip, 100,000 in all
constexpr int kWidth = 640;
constexpr int kHeight = 480;

// A rippled sheet of strips; neighbouring strips share their rows, so welding finds vertices.
void addSheet(ObjectBuild& build) {
  for (int s = 0; s < kStrips; ++s) {
    if (s > 0) build.newStrip();
    for (int c = 0; c < kColumns; ++c) {
      for (int row : {s, s + 1}) {
        const float x = c * 0.1f, z = row * 0.1f;
        build.addVertex(x, std::sin(x) * std::cos(z), z, c / 50.0f, row / 50.0f,
                        0x203040u + static_cast<uint32_t>(row % 7));
      }
    }
  }
}

void endObjectBench(benchmark::State& state) {
  const int mode = static_cast<int>(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    MeshObjectX mesh;
    ObjectBuild build;
    build.begin(mesh);
    addSheet(build);
    state.ResumeTiming();
    if (!build.end(mode)) state.SkipWithError("not converted");
    benchmark::DoNotOptimize(mesh.bounds.data());
  }
  state.SetItemsProcessed(state.iterations() * kStrips * kColumns * 2);
}
BENCHMARK(endObjectBench)
    ->ArgName("smoothing")
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond);

void generateNormalsBench(benchmark::State& state) {
  const bool weld = state.range(0) != 0;
  MeshObjectX mesh;
  ObjectBuild build;
  build.begin(mesh);
  addSheet(build);
  build.end(0);
  for (auto _ : state) {
    state.PauseTiming();
    mesh.normalsPresent = false;
    for (PackedVertex& p : mesh.frames[0].packed) p.tangent = p.bitangent = 0;
    state.ResumeTiming();
    generateNormals(mesh, true, true, weld);
  }
  state.SetItemsProcessed(state.iterations() * kStrips * kColumns * 2);
}
BENCHMARK(generateNormalsBench)->ArgName("weld")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// ---------------------------------------------------------------- drawing

struct Scene {
  OpenGLRainbows* display = nullptr;
  Rainbows3D* view = nullptr;
  ObjectRenderer* objects = nullptr;
};

// The display, the view and slot 0 holding a sheet of 100,000 triangles (100 strips of 1,002
// vertices), lit; nullptr display when none can be made.
Scene& scene() {
  static Scene s = [] {
    Scene made;
    auto* d = new OpenGLRainbows;
    if (!d->createDisplay(nullptr, kWidth, kHeight, 0, 60, 0)) {
      delete d;
      return made;
    }
    setDisplay(d);
    made.display = d;
    made.view = new Rainbows3D(d);
    made.objects = new ObjectRenderer(*made.view);
    made.view->setSmoothingMode(1);
    made.objects->beginObject(0);
    for (int s = 0; s < kStrips; ++s) {
      if (s > 0) made.objects->newObjectStrip();
      for (int c = 0; c < 501; ++c) {
        for (int row : {s, s + 1}) {
          const double x = c * 0.1, z = row * 0.5;
          made.objects->addObjectVertex(x, std::sin(x) * std::cos(z), z, 0, 0, 0x80C0FF);
        }
      }
    }
    made.objects->endObject();
    return made;
  }();
  return s;
}

void beginFrame(Scene& s) {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  s.view->beginScene3D(1, 500, 60);
  s.view->placeCamera(25, 30, 80, 25, 0, 25);
  s.view->setLight(0, 0xFFFFFF, 0, 0, 0, -1, -1, -1, 180, 0);
}

void drawClientArrays(benchmark::State& state) {
  Scene& s = scene();
  if (s.display == nullptr) {
    state.SkipWithError("no display");
    return;
  }
  for (auto _ : state) {
    beginFrame(s);
    s.objects->drawObject(0, 0);
    glFinish();
  }
  state.counters["triangles"] = static_cast<double>(s.objects->lastDrawnTriangles());
}
// The rasteriser works on threads of its own: the wall time is the frame's cost.
BENCHMARK(drawClientArrays)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same records and triangles from buffer objects, drawn the way drawObject draws.
void drawBufferObjects(benchmark::State& state) {
  Scene& s = scene();
  if (s.display == nullptr) {
    state.SkipWithError("no display");
    return;
  }
  const GlExtensionTable& gl = s.display->glExtensions();
  if (gl.glGenBuffersARB == nullptr) {
    state.SkipWithError("no buffer objects");
    return;
  }
  const MeshObjectX& mesh = s.objects->slot(0)->meshes.at(0);
  const std::vector<MeshVertex>& records = mesh.frames[0].vertices;
  const std::vector<uint32_t>& triangles = mesh.triangles[0];
  GLuint buffers[2];
  gl.glGenBuffersARB(2, buffers);
  gl.glBindBufferARB(GL_ARRAY_BUFFER_ARB, buffers[0]);
  gl.glBufferDataARB(GL_ARRAY_BUFFER_ARB, records.size() * sizeof(MeshVertex), records.data(),
                     GL_STATIC_DRAW_ARB);
  gl.glBindBufferARB(GL_ELEMENT_ARRAY_BUFFER_ARB, buffers[1]);
  gl.glBufferDataARB(GL_ELEMENT_ARRAY_BUFFER_ARB, triangles.size() * sizeof(uint32_t),
                     triangles.data(), GL_STATIC_DRAW_ARB);
  constexpr GLsizei kStride = sizeof(MeshVertex);
  for (auto _ : state) {
    beginFrame(s);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    s.view->applyMovement();
    glPushAttrib(GL_ENABLE_BIT);
    glEnable(GL_NORMALIZE);
    glDisable(GL_TEXTURE_2D);
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, kStride, reinterpret_cast<void*>(offsetof(MeshVertex, x)));
    glEnableClientState(GL_NORMAL_ARRAY);
    glNormalPointer(GL_FLOAT, kStride, reinterpret_cast<void*>(offsetof(MeshVertex, nx)));
    glEnableClientState(GL_COLOR_ARRAY);
    glColorPointer(3, GL_FLOAT, kStride, reinterpret_cast<void*>(offsetof(MeshVertex, red)));
    glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(triangles.size()), GL_UNSIGNED_INT, nullptr);
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
    glPopAttrib();
    glPopMatrix();
    glFinish();
  }
  gl.glBindBufferARB(GL_ARRAY_BUFFER_ARB, 0);
  gl.glBindBufferARB(GL_ELEMENT_ARRAY_BUFFER_ARB, 0);
  gl.glDeleteBuffersARB(2, buffers);
  state.counters["triangles"] = static_cast<double>(triangles.size() / 3);
}
BENCHMARK(drawBufferObjects)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
