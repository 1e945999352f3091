// Object files of 100,000 vertices in 10 frames: reading the binary form (with and without the
// vertex records), writing it whole, and converting a text object of the same size into the
// packed form (a nearest-normal search over 162 entries per vertex); and the movement stack
// computing a level of 16 rotations.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <string>

#include "runtime/gfx3d/movement_stack.h"
#include "runtime/gfx3d/object_file.h"

namespace {

using namespace korvane;

constexpr int kVertices = 100000;
constexpr int kFrames = 10;

// A text object: faces of four corners over kVertices vertices, kFrames frames with normals.
std::string textObject() {
  std::mt19937 random(3);
  std::uniform_real_distribution<float> coordinate(-50, 50);
  std::string text = "DDDA 1.1 4 0 0 1 0 1 1 0 1\n";
  const int faces = kVertices / 5;  // a marker and four corners: kVertices records a frame
  text += std::to_string(faces) + "\n";
  for (int f = 0; f < faces; ++f) {
    text += std::to_string(f % 200) + " 80 160 4";
    for (int c = 0; c < 4; ++c) text += " " + std::to_string(f * 4 + c) + " " + std::to_string(c);
    text += "\n";
  }
  text += std::to_string(kFrames) + "\n";
  for (int frame = 0; frame < kFrames; ++frame) {
    text += std::to_string(faces * 4) + "\n";
    for (int v = 0; v < faces * 4; ++v) {
      char line[160];
      std::snprintf(line, sizeof line, "%.3f %.3f %.3f %.3f %.3f %.3f\n", coordinate(random),
                    coordinate(random), coordinate(random), coordinate(random), coordinate(random),
                    coordinate(random));
      text += line;
    }
  }
  return text;
}

const std::string& sampleText() {
  static const std::string text = textObject();
  return text;
}

// The same object packed, and its binary form on disk.
const MeshObject& packedObject() {
  static const MeshObject mesh = [] {
    MeshObject m;
    MemorySource source(sampleText().data(), sampleText().size());
    if (parseObjectFile(m, source, false) != ObjectReadResult::ok) std::abort();
    return m;
  }();
  return mesh;
}

std::string binaryPath() {
  static const std::string path = [] {
    const std::string p = "/tmp/korvane-object-bench-" + std::to_string(getpid()) + ".ddd";
    if (!writeObjectFile(packedObject(), p)) std::abort();
    return p;
  }();
  return path;
}

void BM_ReadBinaryObject(benchmark::State& state) {
  const std::string path = binaryPath();
  const bool records = state.range(0) != 0;
  MeshObject mesh;
  for (auto _ : state) {
    if (!readObjectFile(mesh, path, records)) state.SkipWithError("read failed");
    benchmark::DoNotOptimize(mesh.frames.data());
  }
  state.SetItemsProcessed(state.iterations() * int64_t{kVertices} * kFrames);
  state.SetLabel(records ? "with vertex records" : "packed only");
}
BENCHMARK(BM_ReadBinaryObject)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_WriteBinaryObject(benchmark::State& state) {
  const std::string path = binaryPath();
  for (auto _ : state) {
    if (!writeObjectFile(packedObject(), path)) state.SkipWithError("write failed");
  }
  state.SetItemsProcessed(state.iterations() * int64_t{kVertices} * kFrames);
}
BENCHMARK(BM_WriteBinaryObject)->Unit(benchmark::kMillisecond);

// Reading the text and converting it; the conversion alone below.
void BM_ReadAndConvertTextObject(benchmark::State& state) {
  MemorySource source(sampleText().data(), sampleText().size());
  MeshObject mesh;
  for (auto _ : state) {
    if (parseObjectFile(mesh, source, true) != ObjectReadResult::ok) state.SkipWithError("read");
    benchmark::DoNotOptimize(mesh.frames.data());
  }
  state.SetItemsProcessed(state.iterations() * int64_t{kVertices} * kFrames);
}
BENCHMARK(BM_ReadAndConvertTextObject)->Unit(benchmark::kMillisecond);

void BM_PackFrames(benchmark::State& state) {
  const MeshObject& read = packedObject();
  for (auto _ : state) {
    state.PauseTiming();
    MeshObject mesh = read;
    mesh.colours.clear();
    state.ResumeTiming();
    if (!packFrames(mesh)) state.SkipWithError("pack failed");
    benchmark::DoNotOptimize(mesh.frames.data());
  }
  state.SetItemsProcessed(state.iterations() * int64_t{kVertices} * kFrames);
}
BENCHMARK(BM_PackFrames)->Unit(benchmark::kMillisecond);

// One level of a translation, 16 rotations and a scale, queued and computed.
void BM_MovementSixteenRotations(benchmark::State& state) {
  MovementStack stack;
  for (auto _ : state) {
    stack.setTranslation(1, 2, 3);
    for (int i = 0; i < kMaxMovementRotations; ++i) stack.addRotation(10.0f * i, 1, i, 2);
    stack.setScale(2, 2, 2);
    for (int i = 0; i < kMaxMovementRotations; ++i) stack.addRotation(10.0f * i, 1, i, 2);
    benchmark::DoNotOptimize(stack.currentMatrix().data());
  }
}
BENCHMARK(BM_MovementSixteenRotations);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (!binaryPath().empty()) std::remove(binaryPath().c_str());
  return 0;
}
