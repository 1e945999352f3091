// The runtime's random numbers: one 32-bit ISAAC generator for the whole process, seeded once
// at start-up from the clock.
#pragma once

#include <array>
#include <cstdint>

namespace korvane {

class IsaacGenerator {
 public:
  static constexpr int kResultCount = 256;
  static constexpr uint32_t kGoldenRatio = 0x9e3779b9u;
  using Block = std::array<uint32_t, kResultCount>;

  // Seeds from a single 32-bit value (the runtime's start-up seeding): fills the memory, runs
  // one round and leaves 256 fresh results. Resets every register, so equal seeds give equal
  // sequences.
  void seed(uint32_t seedValue);

  // The next 32-bit result, taken in index order from the current batch; runs one round for a
  // new batch when all 256 have been used.
  uint32_t next();

  // The generator's standard initialisation from a full seed block (which ends with one round).
  // Only tests use it: it lets the core round be checked against published reference output.
  void initialiseFromBlockForTest(const Block& seedBlock);

 private:
  void round();
  void fillMemory(const Block* seedBlock, uint32_t singleSeed);

  Block results_{};
  Block memory_{};
  uint32_t accumulator_ = 0;
  uint32_t lastResult_ = 0;
  uint32_t counter_ = 0;
  int unused_ = 0;  // results of the current batch not yet handed out
};

// The process-wide generator behind randomInteger. Single-threaded use only.
IsaacGenerator& randomGenerator();

// Seeds the process-wide generator from a time in milliseconds: truncated toward zero to 64
// bits, low 32 bits kept, so a clock past 2^31 ms still gives varying seeds.
void seedRandom(double milliseconds);

}  // namespace korvane
