// How long opening and saving a .nmo document take once the user has picked
// the file: formatting or parsing the grid, the file access through the
// platform, and installing the result in the schema. The dialogs answer at
// once and the file lives in memory, so neither the user nor the disk is in
// the figure. Goal: under 1 ms each. Run it with
//   numino_document_bench --benchmark_repetitions=10
// and read the medians.

#include <benchmark/benchmark.h>

#include <string>
#include <string_view>

#include "model/NuminoSchema.h"
#include "support/FakePlatform.h"

namespace {

using numino::NuminoSchema;

constexpr const char* kPath = "/home/anna/schema.nmo";

// A puzzle as a user would keep it: 40 givens of a valid solution, the other
// 41 cells empty.
constexpr std::string_view kPuzzle =
    "530070900\r\n"
    "602105008\r\n"
    "098002560\r\n"
    "800701023\r\n"
    "406800001\r\n"
    "710020850\r\n"
    "060507004\r\n"
    "207400030\r\n"
    "000280109\r\n";

// One file, held in memory; the dialogs always choose it and nothing else
// is ever asked.
struct MemoryPlatform : numino::testing::FakePlatform {
  MemoryPlatform() {
    StopRecording();
    saveDefault = openDefault = kPath;
    files[kPath] = kPuzzle;
  }
};

int CountDigits(const NuminoSchema& schema) {
  int count = 0;
  for (int row = 1; row <= 9; ++row) {
    for (int col = 1; col <= 9; ++col) count += schema.cellValues[row][col] != 0;
  }
  return count;
}

void BM_Load(benchmark::State& state) {
  MemoryPlatform platform;
  NuminoSchema schema(platform);
  for (auto _ : state) {
    schema.Load();
    benchmark::DoNotOptimize(schema.cellValues);
  }
  if (CountDigits(schema) != 40) state.SkipWithError("the puzzle did not load");
}
BENCHMARK(BM_Load)->Unit(benchmark::kMicrosecond);

void BM_Save(benchmark::State& state) {
  MemoryPlatform platform;
  NuminoSchema schema(platform);
  schema.Load();
  std::string& saved = platform.files[kPath];
  saved.clear();
  for (auto _ : state) {
    schema.modifiedFlag = true;
    schema.Save(false);
    benchmark::DoNotOptimize(saved);
  }
  if (saved != kPuzzle) state.SkipWithError("the saved file differs from the puzzle");
}
BENCHMARK(BM_Save)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
