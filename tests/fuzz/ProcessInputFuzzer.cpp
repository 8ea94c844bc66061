// Plays the fuzzer's bytes to ProcessInput as a stream of key presses,
// typed characters and clicks, and checks the puzzle after every one; at
// the end everything is undone and must give back the starting grid.
//
// The bytes: first the starting puzzle (SetUpStart), then one event after
// another (NextEvent) until they run out.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <limits>
#include <string_view>

#include "FuzzSupport.h"
#include "display/BoardGeometry.h"
#include "model/NuminoSchema.h"
#include "support/FakePlatform.h"
#include "support/ModelSnapshot.h"
#include "support/RasterSurface.h"

namespace numino::fuzz {
namespace {

using Grid = NuminoSchema::Grid;
using testing::FakePlatform;
using testing::ModelSnapshot;
using testing::RasterSurface;

struct Event {
  std::int16_t keyAscii = 0;
  std::int16_t keyCode = 0;
  std::int16_t button = 0;
  std::int32_t x = 0;
  std::int32_t y = 0;
};

// The characters and keys that mean something, and pointer positions off
// the board: just outside it, far away, and where a narrowing conversion
// would wrap back onto it.
constexpr std::int16_t kTyped[] = {'0', '1', '2', '3', '4', '5', '6', '7', '8', '9', 8, 9};
constexpr std::int16_t kKeys[] = {37, 38, 39, 40, 46};
constexpr std::int32_t kFar[] = {-1,
                                 -12,
                                 -24,
                                 241,
                                 252,
                                 1000,
                                 32767,
                                 32768 + 12,
                                 65536 + 12,
                                 -65536 + 12,
                                 std::numeric_limits<std::int32_t>::min(),
                                 std::numeric_limits<std::int32_t>::min() + 12,
                                 std::numeric_limits<std::int32_t>::max(),
                                 std::numeric_limits<std::int32_t>::max() - 12,
                                 (1 << 24) + 12};
static_assert(std::size(kFar) == 256 - 241);

std::int32_t Coordinate(ByteReader& in) {
  const std::uint8_t b = in.Byte();
  return b <= 240 ? std::int32_t{b} : kFar[b - 241];
}

// The first byte picks the kind of input; the events that matter come up
// far more often than raw values would make them.
Event NextEvent(ByteReader& in) {
  Event e;
  const int kind = in.Byte() % 16;
  if (kind <= 4) {
    e.keyAscii = kTyped[in.Byte() % std::size(kTyped)];
  } else if (kind == 5) {
    e.keyAscii = in.Int16();
  } else if (kind <= 8) {
    // From 240 up: Ctrl with a digit, 0x101..0x109, a hand exclusion.
    const std::uint8_t b = in.Byte();
    e.keyCode = b < 240 ? kKeys[b % std::size(kKeys)] : static_cast<std::int16_t>(0x101 + b % 9);
  } else if (kind == 9) {
    e.keyCode = in.Int16();
  } else if (kind <= 13) {
    e.button = static_cast<std::int16_t>(in.Byte() % 8);
    e.x = Coordinate(in);
    e.y = Coordinate(in);
  } else if (kind == 14) {
    e.button = in.Int16();
    e.x = in.Int32();
    e.y = in.Int32();
  } else {
    // Several kinds at once: the first non-zero one must decide.
    e.keyAscii = in.Int16();
    e.keyCode = in.Int16();
    e.button = in.Int16();
    e.x = Coordinate(in);
    e.y = Coordinate(in);
  }
  return e;
}

// The cell under a pointer position, from the documented geometry: 24-pixel
// cells from pixel 12 up to, not including, 228.
int CellAt(std::int32_t p) { return p < 12 || p >= 228 ? 0 : (p - 12) / 24 + 1; }

void CheckInvariants(const NuminoSchema& s) {
  FUZZ_CHECK(WithinBounds(s.cellValues, 0, 9));
  FUZZ_CHECK(WithinBounds(s.userExclusions, 0, NuminoSchema::kAllDigits));
  FUZZ_CHECK(s.currentRow >= 1 && s.currentRow <= 9 && s.currentCol >= 1 && s.currentCol <= 9);
  FUZZ_CHECK(s.historyPos >= -1 && s.historyPos < static_cast<std::ptrdiff_t>(s.history.size()));
}

// What one input must have done, from the table of inputs. Undo and redo
// are only checked for moving one step; their effect is checked at the end.
void CheckStep(const ModelSnapshot& before, const Event& e, const ModelSnapshot& after) {
  const int R = before.row;
  const int C = before.col;
  ModelSnapshot expected = before;
  const auto pushed = [&expected] {
    ++expected.pos;
    expected.records = static_cast<std::size_t>(expected.pos + 1);
  };
  if (e.keyAscii != 0) {
    if (e.keyAscii >= '0' && e.keyAscii <= '9') {
      expected.cells[R][C] = static_cast<std::int16_t>(e.keyAscii - '0');
      expected.modified = true;
      pushed();
    } else if (e.keyAscii == 8 || e.keyAscii == 9) {
      FUZZ_CHECK(after.records == before.records);
      if (e.keyAscii == 8) {
        FUZZ_CHECK(after.pos == std::max<std::ptrdiff_t>(before.pos - 1, -1));
      } else if (before.pos + 1 >= static_cast<std::ptrdiff_t>(before.records)) {
        FUZZ_CHECK(after.pos == before.pos);
      } else {
        FUZZ_CHECK(after.pos == before.pos || after.pos == before.pos + 1);
      }
      return;
    }
  } else if (e.keyCode != 0) {
    switch (e.keyCode) {
      case 37:
        expected.col = static_cast<std::int16_t>(std::max(C - 1, 1));
        break;
      case 38:
        expected.row = static_cast<std::int16_t>(std::max(R - 1, 1));
        break;
      case 39:
        expected.col = static_cast<std::int16_t>(std::min(C + 1, 9));
        break;
      case 40:
        expected.row = static_cast<std::int16_t>(std::min(R + 1, 9));
        break;
      case 46:
        expected.cells[R][C] = 0;
        expected.modified = true;
        pushed();
        break;
      default:
        if (e.keyCode >= 0x101 && e.keyCode <= 0x109 && before.cells[R][C] == 0) {
          expected.exclusions[R][C] =
              static_cast<std::int16_t>(expected.exclusions[R][C] ^ (1 << (e.keyCode - 0x101)));
          pushed();
        }
        break;
    }
  } else if ((e.button & 1) != 0) {
    const int r = CellAt(e.y);
    const int c = CellAt(e.x);
    if (r >= 1 && c >= 1) {
      expected.row = static_cast<std::int16_t>(r);
      expected.col = static_cast<std::int16_t>(c);
    }
  } else if ((e.button & 2) != 0) {
    const int v = before.cells[R][C];
    const int r = CellAt(e.y);
    const int c = CellAt(e.x);
    if (v != 0 && r >= 1 && c >= 1) {
      expected.exclusions[r][c] =
          static_cast<std::int16_t>(expected.exclusions[r][c] ^ (1 << (v - 1)));
      pushed();
    }
  }
  FUZZ_CHECK(after == expected);
}

// The picture built up by many small repaints must be the one a full
// redraw of the same puzzle gives.
void CheckPicture(const NuminoSchema& s, const RasterSurface& drawn, Platform platform) {
  NuminoSchema fresh(platform);
  testing::CopyBoard(s, fresh);
  RasterSurface redrawn;
  fresh.Refresh(redrawn);
  FUZZ_CHECK(drawn.SamePicture(redrawn));
  // The board is drawn inside the client area it asks for.
  FUZZ_CHECK(drawn.strayCalls == 0 && redrawn.strayCalls == 0);
}

// A few givens, a few digits ruled out by hand and a current cell, written
// straight into the fields so that none of it can be undone.
void SetUpStart(NuminoSchema& s, ByteReader& in) {
  const int givens = in.Byte() % 32;
  for (int i = 0; i < givens; ++i) {
    const int cell = in.Byte() % 81;
    s.cellValues[cell / 9 + 1][cell % 9 + 1] = static_cast<std::int16_t>(in.Byte() % 10);
  }
  const int marked = in.Byte() % 8;
  for (int i = 0; i < marked; ++i) {
    const int cell = in.Byte() % 81;
    s.userExclusions[cell / 9 + 1][cell % 9 + 1] =
        static_cast<std::int16_t>(in.Int16() & NuminoSchema::kAllDigits);
  }
  const int current = in.Byte() % 81;
  s.currentRow = static_cast<std::int16_t>(current / 9 + 1);
  s.currentCol = static_cast<std::int16_t>(current % 9 + 1);
}

}  // namespace
}  // namespace numino::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace numino::fuzz;
  ByteReader in(data, size);
  FakePlatform platform;
  platform.StopRecording();  // nothing here looks at what was shown
  RasterSurface surface;
  surface.logPrints = false;  // a long run must not pile up the log of prints
  numino::NuminoSchema s(platform);
  SetUpStart(s, in);
  s.Refresh(surface);
  CheckInvariants(s);
  const ModelSnapshot start(s);

  while (!in.Empty()) {
    const Event e = NextEvent(in);
    const ModelSnapshot before(s);
    s.ProcessInput(surface, e.keyAscii, e.keyCode, e.button, e.x, e.y);
    CheckInvariants(s);
    CheckStep(before, e, ModelSnapshot(s));
  }
  CheckPicture(s, surface, platform);
  const ModelSnapshot end(s);

  while (s.historyPos >= 0) {
    const std::ptrdiff_t pos = s.historyPos;
    s.ProcessInput(surface, 8, 0, 0, 0, 0);
    CheckInvariants(s);
    FUZZ_CHECK(s.historyPos == pos - 1);
  }
  FUZZ_CHECK(s.cellValues == start.cells);
  FUZZ_CHECK(s.userExclusions == start.exclusions);
  CheckPicture(s, surface, platform);

  // Redoing everything that can be redone brings the end back, when the
  // inputs did not end with undone records.
  for (;;) {
    const std::ptrdiff_t pos = s.historyPos;
    s.ProcessInput(surface, 9, 0, 0, 0, 0);
    CheckInvariants(s);
    if (s.historyPos == pos) break;
    FUZZ_CHECK(s.historyPos == pos + 1);
  }
  const bool nothingUndoneAtEnd = end.pos + 1 == static_cast<std::ptrdiff_t>(end.records);
  if (nothingUndoneAtEnd && s.historyPos == end.pos) {
    FUZZ_CHECK(s.cellValues == end.cells);
    FUZZ_CHECK(s.userExclusions == end.exclusions);
  }
  return 0;
}
