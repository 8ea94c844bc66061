// How long the board takes to draw on the Qt surface. Read the medians of
//   numino_display_bench --benchmark_repetitions=10
//     --benchmark_report_aggregates_only=true
// (scripts/bench does): a full Refresh should stay well under 1 ms, the
// repaint behind a keystroke under 0.2 ms, with a screen reader listening
// too.

#include <benchmark/benchmark.h>

#include <QAccessibleEvent>
#include <QApplication>
#include <QPalette>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>

#include "accessible/BoardAccessible.h"
#include "board/BoardFont.h"
#include "board/QImageSurface.h"
#include "model/NuminoSchema.h"
#include "support/BoardLayout.h"
#include "support/FakePlatform.h"

namespace {

using numino::NuminoSchema;
using numino::testing::CellMiddleX;
using numino::testing::CellMiddleY;
using numino::testing::kBoardSide;

// Nothing in the benchmarks asks the user or touches a file.
struct SilentPlatform : numino::testing::FakePlatform {
  SilentPlatform() { StopRecording(); }
};

QPalette BoardPalette() {
  QPalette palette;
  palette.setColor(QPalette::Base, Qt::white);
  palette.setColor(QPalette::ButtonText, Qt::black);
  palette.setColor(QPalette::Window, QColor(0xC0, 0xC0, 0xC0));
  return palette;
}

// A puzzle in progress: 40 digits of a valid solution, so every empty cell
// shows red marks, and a few digits ruled out by hand.
void SetUpBoard(NuminoSchema& schema) {
  int placed = 0;
  for (int r = 1; r <= 9; ++r) {
    for (int c = 1; c <= 9; ++c) {
      const int solution = ((r - 1) * 3 + (r - 1) / 3 + (c - 1)) % 9 + 1;
      if ((r * 5 + c * 7) % 2 == 0 && placed < 40) {
        schema.cellValues[r][c] = static_cast<std::int16_t>(solution);
        ++placed;
      }
    }
  }
  for (int r = 1; r <= 9; ++r) {
    for (int c = 1; c <= 9; ++c) {
      if (schema.cellValues[r][c] == 0 && (r + c) % 3 == 0) {
        schema.userExclusions[r][c] = static_cast<std::int16_t>(1 << ((r * c) % 9));
      }
    }
  }
  // The current cell holds a digit, so the green highlight is on.
  for (int c = 1; c <= 9; ++c) {
    if (schema.cellValues[5][c] != 0) {
      schema.currentRow = 5;
      schema.currentCol = static_cast<std::int16_t>(c);
      break;
    }
  }
}

// The window shows the picture after every event, which ends the text
// painter; that belongs to the cost of an event.
void Show(QImageSurface& surface) {
  benchmark::DoNotOptimize(surface.Image().constBits());
  benchmark::DoNotOptimize(surface.TakeDirtyRect());
}

void BM_Refresh(benchmark::State& state) {
  SilentPlatform platform;
  NuminoSchema schema(platform);
  SetUpBoard(schema);
  QImageSurface surface(QSize(kBoardSide, kBoardSide), 1.0, BoardPalette(), BoardFont());
  for (auto _ : state) {
    schema.Refresh(surface);
    Show(surface);
  }
}
BENCHMARK(BM_Refresh)->Unit(benchmark::kMicrosecond);

// One typed digit: ProcessInput stores it and calls SetCurrentCell on the
// same cell. The typing moves round a set of empty cells and alternates
// between two digits, so the marks and the green change every time; the
// click that moves the current cell there is not timed.
// Typing into empty cells: each iteration clicks one (untimed), then types
// a digit into it; `after` runs after each digit, as the window runs the
// screen reader's announcement.
void TypeDigits(benchmark::State& state, NuminoSchema& schema,
                const std::function<void()>& after = {}) {
  SetUpBoard(schema);
  QImageSurface surface(QSize(kBoardSide, kBoardSide), 1.0, BoardPalette(), BoardFont());
  schema.Refresh(surface);
  Show(surface);
  if (after) after();

  std::array<std::pair<int, int>, 6> cells{};
  std::size_t found = 0;
  for (int r = 1; r <= 9 && found < cells.size(); ++r) {
    for (int c = 1; c <= 9 && found < cells.size(); ++c) {
      if (schema.cellValues[r][c] == 0 && schema.userExclusions[r][c] == 0) cells[found++] = {r, c};
    }
  }
  const std::array<std::int16_t, 2> digits = {'3', '7'};
  std::size_t i = 0;
  for (auto _ : state) {
    state.PauseTiming();
    const auto [r, c] = cells[i % cells.size()];
    schema.ProcessInput(surface, 0, 0, 1, CellMiddleX(c), CellMiddleY(r));
    Show(surface);
    if (after) after();
    const std::int16_t digit = digits[(i / cells.size()) % digits.size()];
    ++i;
    state.ResumeTiming();

    schema.ProcessInput(surface, digit, 0, 0, 0, 0);
    Show(surface);
    if (after) after();
  }
}

// The repaint behind one keystroke.
void BM_Keystroke(benchmark::State& state) {
  SilentPlatform platform;
  NuminoSchema schema(platform);
  TypeDigits(state, schema);
}
BENCHMARK(BM_Keystroke)->Unit(benchmark::kMicrosecond);

// The same with a screen reader listening: the accessible board tells what
// changed after each keystroke, here to no one.
void BM_KeystrokeWithScreenReader(benchmark::State& state) {
  SilentPlatform platform;
  NuminoSchema schema(platform);
  QWidget board;
  BoardAccessible table(&board, schema);
  TypeDigits(state, schema, [&table] { table.Announce([](QAccessibleEvent*) {}); });
}
BENCHMARK(BM_KeystrokeWithScreenReader)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
