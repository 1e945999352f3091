// ISAAC, 32-bit variant: one round turns the 256-word memory into 256 results.
#include "runtime/lib/random_generator.h"

#include "runtime/values/conversions.h"

namespace korvane {
namespace {

// The eight-register scramble used while the memory is filled.
struct MixRegisters {
  uint32_t r[8];

  void mix() {
    uint32_t &a = r[0], &b = r[1], &c = r[2], &d = r[3];
    uint32_t &e = r[4], &f = r[5], &g = r[6], &h = r[7];
    // clang-format off
    a ^= b << 11; d += a; b += c;
    b ^= c >> 2;  e += b; c += d;
    c ^= d << 8;  f += c; d += e;
    d ^= e >> 16; g += d; e += f;
    e ^= f << 10; h += e; f += g;
    f ^= g >> 4;  a += f; g += h;
    g ^= h << 8;  b += g; h += a;
    h ^= a >> 9;  c += h; a += b;
    // clang-format on
  }
};

constexpr int kPassWidth = 8;

}  // namespace

void IsaacGenerator::round() {
  ++counter_;
  lastResult_ += counter_;
  for (int i = 0; i < kResultCount; ++i) {
    const uint32_t old = memory_[i];
    switch (i & 3) {
      case 0:
        accumulator_ ^= accumulator_ << 13;
        break;
      case 1:
        accumulator_ ^= accumulator_ >> 6;
        break;
      case 2:
        accumulator_ ^= accumulator_ << 2;
        break;
      default:
        accumulator_ ^= accumulator_ >> 16;
        break;
    }
    accumulator_ += memory_[(i + kResultCount / 2) & (kResultCount - 1)];
    const uint32_t fresh = memory_[(old >> 2) & (kResultCount - 1)] + accumulator_ + lastResult_;
    memory_[i] = fresh;
    lastResult_ = memory_[(fresh >> 10) & (kResultCount - 1)] + old;
    results_[i] = lastResult_;
  }
  unused_ = kResultCount;
}

// With a seed block this is the generator's standard initialisation; without one, the runtime's
// single-value seeding, which folds the seed into every first pass and mixes afterwards.
void IsaacGenerator::fillMemory(const Block* seedBlock, uint32_t singleSeed) {
  accumulator_ = lastResult_ = counter_ = 0;
  MixRegisters m;
  for (uint32_t& v : m.r) v = kGoldenRatio;
  if (seedBlock) {
    for (int i = 0; i < 4; ++i) m.mix();
  }
  for (int i = 0; i < kResultCount; i += kPassWidth) {
    if (seedBlock) {
      for (int k = 0; k < kPassWidth; ++k) m.r[k] += (*seedBlock)[i + k];
    } else {
      m.r[0] += singleSeed;
    }
    m.mix();
    for (int k = 0; k < kPassWidth; ++k) memory_[i + k] = m.r[k];
  }
  if (!seedBlock) {
    for (int i = 0; i < 4; ++i) m.mix();
  }
  // A second pass spreads every word of the first through the whole memory.
  for (int i = 0; i < kResultCount; i += kPassWidth) {
    for (int k = 0; k < kPassWidth; ++k) m.r[k] += memory_[i + k];
    m.mix();
    for (int k = 0; k < kPassWidth; ++k) memory_[i + k] = m.r[k];
  }
  round();
}

void IsaacGenerator::seed(uint32_t seedValue) { fillMemory(nullptr, seedValue); }

void IsaacGenerator::initialiseFromBlockForTest(const Block& seedBlock) {
  fillMemory(&seedBlock, 0);
}

uint32_t IsaacGenerator::next() {
  if (unused_ == 0) round();
  return results_[kResultCount - unused_--];
}

IsaacGenerator& randomGenerator() {
  static IsaacGenerator generator = [] {
    // Usable before start-up seeds it; start-up replaces this with a clock seed.
    IsaacGenerator g;
    g.seed(0);
    return g;
  }();
  return generator;
}

void seedRandom(double milliseconds) {
  randomGenerator().seed(static_cast<uint32_t>(truncateToInt64(milliseconds)));
}

}  // namespace korvane
