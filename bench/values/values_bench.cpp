// Value-type costs: checked element access against raw pointers in the grid's 5-point stencil,
// number text against snprintf, and growing a string one byte at a time.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "runtime/values/number_text.h"
#include "runtime/values/rt_array.h"
#include "runtime/values/rt_string.h"

namespace {

using korvane::RtArray;

struct Cell {
  float x, y, unused0, unused1, red, green, blue;
};

constexpr int kWidth = 160;
constexpr int kHeight = 120;
constexpr double kCentre = 1.05;
constexpr double kDivisor = 5.1;

struct Grid {
  RtArray<Cell> source;
  RtArray<Cell> target;
  Grid() {
    korvane::dimensionArray(source, kWidth, kHeight);
    korvane::dimensionArray(target, kWidth, kHeight);
    std::mt19937 random(7);
    std::uniform_real_distribution<float> colour(0, 255);
    for (int j = 0; j < kHeight; ++j) {
      for (int i = 0; i < kWidth; ++i) {
        Cell& c = korvane::elementAt(source, i, j);
        c.red = colour(random);
        c.green = colour(random);
        c.blue = colour(random);
      }
    }
  }
};

// One diffusion step in the shape the program writes it: every read and every write is its own
// access (each colour channel reads the five cells again), indices are doubles.
template <typename Access>
inline void stencil(RtArray<Cell>& source, RtArray<Cell>& target, Access at) {
  for (double i = 0; i < kWidth - 1; ++i) {
    for (double j = 0; j < kHeight - 1; ++j) {
      const double r = std::min<double>(kWidth - 1, i + 1), l = std::max(0.0, i - 1);
      const double d = std::min<double>(kHeight - 1, j + 1), u = std::max(0.0, j - 1);
      at(target, i, j).red =
          static_cast<float>((kCentre * at(source, i, j).red + at(source, r, j).red +
                              at(source, l, j).red + at(source, i, d).red + at(source, i, u).red) /
                             kDivisor);
      at(target, i, j).green = static_cast<float>(
          (kCentre * at(source, i, j).green + at(source, r, j).green + at(source, l, j).green +
           at(source, i, d).green + at(source, i, u).green) /
          kDivisor);
      at(target, i, j).blue = static_cast<float>((kCentre * at(source, i, j).blue +
                                                  at(source, r, j).blue + at(source, l, j).blue +
                                                  at(source, i, d).blue + at(source, i, u).blue) /
                                                 kDivisor);
    }
  }
}

void checkedStep(Grid& grid) {
  stencil(grid.source, grid.target, [](RtArray<Cell>& a, double x, double y) -> Cell& {
    return korvane::elementAt(a, x, y);
  });
}

// The same loop over the raw block: the double counters truncated to a position, no check.
void rawStep(Grid& grid) {
  stencil(grid.source, grid.target, [](RtArray<Cell>& a, double x, double y) -> Cell& {
    return a.data()[static_cast<int>(x) + static_cast<int>(y) * kWidth];
  });
}

// The raw loop once more, kept scalar: the checks' branches stop the compiler from pairing the
// colour loads into vector instructions, which the raw loop otherwise gets.
#if defined(__GNUC__) && !defined(__clang__)
#define KORVANE_SCALAR [[gnu::optimize("no-tree-slp-vectorize")]]
#else
#define KORVANE_SCALAR
#endif
KORVANE_SCALAR void rawScalarStep(Grid& grid) {
  stencil(grid.source, grid.target, [](RtArray<Cell>& a, double x, double y) -> Cell& {
    return a.data()[static_cast<int>(x) + static_cast<int>(y) * kWidth];
  });
}

void BM_StencilChecked(benchmark::State& state) {
  Grid grid;
  for (auto _ : state) {
    checkedStep(grid);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_StencilChecked);

void BM_StencilRaw(benchmark::State& state) {
  Grid grid;
  for (auto _ : state) {
    rawStep(grid);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_StencilRaw);

void BM_StencilRawScalar(benchmark::State& state) {
  Grid grid;
  for (auto _ : state) {
    rawScalarStep(grid);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_StencilRawScalar);

std::vector<double> sampleNumbers() {
  std::mt19937_64 random(11);
  std::uniform_real_distribution<double> mantissa(-10, 10);
  std::uniform_int_distribution<int> exponent(-12, 14);
  std::vector<double> values;
  for (int k = 0; k < 1024; ++k) {
    // Program-like values: small integers, fractions, and a spread of magnitudes.
    if (k % 4 == 0) {
      values.push_back(k);
    } else {
      values.push_back(mantissa(random) * std::pow(10.0, exponent(random)));
    }
  }
  return values;
}

void BM_NumberToText(benchmark::State& state) {
  const std::vector<double> values = sampleNumbers();
  std::size_t k = 0;
  for (auto _ : state) {
    korvane::RtString text = korvane::numberToText(values[k++ & 1023]);
    benchmark::DoNotOptimize(text.buf());
  }
}
BENCHMARK(BM_NumberToText);

void BM_WriteNumberText(benchmark::State& state) {
  const std::vector<double> values = sampleNumbers();
  std::size_t k = 0;
  char out[korvane::kNumberTextCapacity];
  for (auto _ : state) {
    benchmark::DoNotOptimize(korvane::writeNumberText(values[k++ & 1023], out));
  }
}
BENCHMARK(BM_WriteNumberText);

void BM_SnprintfG10(benchmark::State& state) {
  const std::vector<double> values = sampleNumbers();
  std::size_t k = 0;
  char out[64];
  for (auto _ : state) {
    benchmark::DoNotOptimize(std::snprintf(out, sizeof out, "%.10g", values[k++ & 1023]));
  }
}
BENCHMARK(BM_SnprintfG10);

void BM_TextToNumber(benchmark::State& state) {
  std::vector<std::string> texts;
  for (double v : sampleNumbers()) texts.emplace_back(korvane::textOf(korvane::numberToText(v)));
  std::size_t k = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(korvane::textToNumber(texts[k++ & 1023].c_str()));
  }
}
BENCHMARK(BM_TextToNumber);

void BM_AppendOneMegabyteBytewise(benchmark::State& state) {
  for (auto _ : state) {
    korvane::RtString s;
    for (int k = 0; k < (1 << 20); ++k) s += "x";
    benchmark::DoNotOptimize(s.buf());
  }
  state.SetBytesProcessed(state.iterations() * (1 << 20));
}
BENCHMARK(BM_AppendOneMegabyteBytewise)->Unit(benchmark::kMillisecond);

// Prints the usual table, then the checked-to-raw ratios of the stencil (CPU time, which a
// loaded machine disturbs less than wall time; medians when repetitions are asked for).
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      const bool median = run.aggregate_name == "median";
      if (run.run_type == Run::RT_Iteration || median) {
        const std::string name = run.run_name.function_name;
        if (median || !haveMedian_[name]) cpuNanoseconds_[name] = run.GetAdjustedCPUTime();
        if (median) haveMedian_[name] = true;
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    const double checked = cpuNanoseconds_["BM_StencilChecked"];
    const double raw = cpuNanoseconds_["BM_StencilRaw"];
    const double scalar = cpuNanoseconds_["BM_StencilRawScalar"];
    if (checked > 0 && raw > 0) {
      std::printf("stencil checked/raw ratio: %.3f (goal: at most 1.3)\n", checked / raw);
    }
    if (checked > 0 && scalar > 0) {
      std::printf("stencil checked/raw-scalar ratio: %.3f\n", checked / scalar);
    }
  }

 private:
  std::map<std::string, double> cpuNanoseconds_;
  std::map<std::string, bool> haveMedian_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
