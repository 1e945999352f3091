// clearBorder + diffuseDye over the checked buffers against the same step over raw cells with
// no checks; the ratio of the two is what the bounds checks cost.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <vector>

#include "app/dye_diffusion.h"
#include "app/fluid_grid.h"

namespace {

using ondrel::FluidCell;

// The grid at `scale` times the program's 160 by 120, with dye in the middle. Keeping a
// source of dye alive each step stops the field from decaying into subnormal floats, which
// would time the FPU's slow path instead of the step.
void checkedStep(benchmark::State& state) {
  const double scale = static_cast<double>(state.range(0));
  ondrel::viewWidth = 640 * scale;
  ondrel::viewHeight = 480 * scale;
  const double w = 160 * scale;
  const double h = 120 * scale;
  ondrel::setupGrid(w, h);
  for (auto _ : state) {
    ondrel::setCellColour(w / 2, h / 2, 255, 200, 64);
    ondrel::clearBorder();
    ondrel::diffuseDye();
    benchmark::DoNotOptimize(ondrel::currentCells->data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(w * h));
}

struct RawGrid {
  int w, h;
  std::vector<FluidCell> a, b;
  FluidCell* current;
};

void rawClearBorder(RawGrid& g) {
  FluidCell* c = g.current;
  auto clear = [&](int i, int j) {
    FluidCell& cell = c[i + j * g.w];
    cell.red = cell.green = cell.blue = 0;
  };
  for (int i = 0; i < g.w; ++i) {
    clear(i, 0);
    clear(i, g.h - 1);
  }
  for (int j = 0; j < g.h; ++j) {
    clear(0, j);
    clear(g.w - 1, j);
  }
}

void rawDiffuse(RawGrid& g) {
  const FluidCell* s = g.current;
  FluidCell* t = g.current == g.a.data() ? g.b.data() : g.a.data();
  const int w = g.w;
  const int h = g.h;
  for (int i = 0; i < w - 1; ++i) {
    const int r = std::min(w - 1, i + 1);
    const int l = std::max(0, i - 1);
    for (int j = 0; j < h - 1; ++j) {
      const int d = std::min(h - 1, j + 1);
      const int u = std::max(0, j - 1);
      const FluidCell& c = s[i + j * w];
      const FluidCell& cr = s[r + j * w];
      const FluidCell& cl = s[l + j * w];
      const FluidCell& cd = s[i + d * w];
      const FluidCell& cu = s[i + u * w];
      FluidCell& out = t[i + j * w];
      out.red = static_cast<float>((1.05 * c.red + cr.red + cl.red + cd.red + cu.red) / 5.1);
      out.green =
          static_cast<float>((1.05 * c.green + cr.green + cl.green + cd.green + cu.green) / 5.1);
      out.blue = static_cast<float>((1.05 * c.blue + cr.blue + cl.blue + cd.blue + cu.blue) / 5.1);
    }
  }
  g.current = t;
}

void rawStep(benchmark::State& state) {
  const int scale = static_cast<int>(state.range(0));
  RawGrid g{160 * scale, 120 * scale, {}, {}, nullptr};
  g.a.assign(static_cast<size_t>(g.w) * g.h, FluidCell{});
  g.b = g.a;
  g.current = g.a.data();
  for (auto _ : state) {
    FluidCell& source = g.current[g.w / 2 + g.h / 2 * g.w];
    source.red = 255;
    source.green = 200;
    source.blue = 64;
    rawClearBorder(g);
    rawDiffuse(g);
    benchmark::DoNotOptimize(g.current);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(g.w) * g.h);
}

// Scale 1 is the program's grid; 4 and 8 show how the step grows with the cell count.
BENCHMARK(checkedStep)->Arg(1)->Arg(4)->Arg(8)->Unit(benchmark::kMicrosecond);
BENCHMARK(rawStep)->Arg(1)->Arg(4)->Arg(8)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
