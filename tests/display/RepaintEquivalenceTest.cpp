// The display skips cells whose look has not changed since it last painted
// them. These tests hold it to the plain algorithm, which repaints all 81
// cells on every repaint: after every step of long random sessions both must
// have left exactly the same pixels, ink print counts and font weight
// included.

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <sstream>
#include <string>

#include "display/LiteralBoard.h"
#include "model/NuminoSchema.h"
#include "support/BoardLayout.h"
#include "support/FakePlatform.h"
#include "support/Grids.h"
#include "support/ModelSnapshot.h"
#include "support/RasterSurface.h"

namespace numino {
namespace {

using testing::DocumentDifference;
using testing::FakePlatform;
using testing::LiteralBoard;
using testing::RasterSurface;
using testing::SolvedGrid;

// What Load installs, without the file: an emptied model holding `grid`.
void Install(NuminoSchema& schema, const NuminoSchema::Grid& grid) {
  schema.Reset();
  schema.cellValues = grid;
}

enum class Kind { Input, Refresh, NoCurrentCell, Install };

struct Step {
  Kind kind = Kind::Input;
  std::int16_t keyAscii = 0;
  std::int16_t keyCode = 0;
  std::int16_t button = 0;
  std::int32_t x = 0;
  std::int32_t y = 0;
  NuminoSchema::Grid grid{};

  std::string Describe() const {
    std::ostringstream out;
    switch (kind) {
      case Kind::Refresh:
        return "Refresh";
      case Kind::NoCurrentCell:
        return "SetCurrentCell(0, 0)";
      case Kind::Install:
        return "install a grid";
      case Kind::Input:
        out << "ProcessInput(" << keyAscii << ", " << keyCode << ", " << button << ", " << x << ", "
            << y << ")";
        return out.str();
    }
    return "?";
  }
};

class StepMaker {
 public:
  explicit StepMaker(unsigned seed) : rng_(seed) {}

  Step Next() {
    Step s;
    const unsigned pick = Below(100);
    if (pick < 35) {
      s.keyAscii = static_cast<std::int16_t>('0' + Below(10));
    } else if (pick < 40) {
      s.keyCode = 46;
    } else if (pick < 56) {
      s.keyCode = static_cast<std::int16_t>(37 + Below(4));
    } else if (pick < 68) {
      s.button = Below(5) == 0 ? 3 : 1;  // left, sometimes with the right one held
      Position(s);
    } else if (pick < 76) {
      s.button = Below(5) == 0 ? 6 : 2;  // right, sometimes with the middle one
      Position(s);
    } else if (pick < 80) {
      s.keyCode = static_cast<std::int16_t>(0x101 + Below(9));  // Ctrl with a digit
    } else if (pick < 88) {
      s.keyAscii = 8;
    } else if (pick < 94) {
      s.keyAscii = 9;
    } else if (pick < 96) {
      s.kind = Kind::Refresh;
    } else if (pick < 98) {
      // Inputs that mean nothing: a letter, Enter, Home, F1, the middle button.
      const std::int16_t ascii[] = {'a', 13, 0, 0, 0};
      const std::int16_t code[] = {0, 0, 36, 112, 0};
      const unsigned i = Below(5);
      s.keyAscii = ascii[i];
      s.keyCode = code[i];
      if (i == 4) {
        s.button = 4;
        Position(s);
      }
    } else if (pick < 99) {
      s.kind = Kind::NoCurrentCell;
    } else {
      s.kind = Kind::Install;
      for (int r = 1; r <= 9; ++r) {
        for (int c = 1; c <= 9; ++c) s.grid[r][c] = Below(3) == 0 ? 0 : SolvedGrid()[r][c];
      }
    }
    return s;
  }

 private:
  unsigned Below(unsigned n) { return static_cast<unsigned>(rng_() % n); }

  // Mostly somewhere inside a cell, grid lines included; now and then
  // anywhere, the margins and off the window included.
  void Position(Step& s) {
    if (Below(7) == 0) {
      s.x = static_cast<std::int32_t>(Below(250)) - 5;
      s.y = static_cast<std::int32_t>(Below(250)) - 5;
    } else {
      s.x = static_cast<std::int32_t>(testing::CellLeft(1 + Below(9)) + Below(24));
      s.y = static_cast<std::int32_t>(testing::CellTop(1 + Below(9)) + Below(24));
    }
  }

  std::mt19937 rng_;
};

::testing::AssertionResult SamePixels(const RasterSurface& real, const RasterSurface& literal) {
  if (real.FontBold() != literal.FontBold()) {
    return ::testing::AssertionFailure()
           << "font bold: real " << real.FontBold() << ", literal " << literal.FontBold();
  }
  if (real.windowWidth != literal.windowWidth || real.windowHeight != literal.windowHeight) {
    return ::testing::AssertionFailure() << "window size differs";
  }
  if (real == literal) return ::testing::AssertionSuccess();
  for (int y = 0; y < RasterSurface::kSize; ++y) {
    for (int x = 0; x < RasterSurface::kSize; ++x) {
      if (real.Pixel(x, y) != literal.Pixel(x, y)) {
        return ::testing::AssertionFailure()
               << "first differing pixel (" << x << ", " << y << "): real 0x" << std::hex
               << real.Pixel(x, y) << ", literal 0x" << literal.Pixel(x, y);
      }
    }
  }
  return ::testing::AssertionFailure() << "surfaces differ";
}

// Two schemas in lockstep: one drawn by the real display, one by the plain one.
struct Pair {
  FakePlatform realPlatform;
  FakePlatform literalPlatform;
  NuminoSchema real{realPlatform};
  NuminoSchema literal{literalPlatform};
  RasterSurface realSurface;
  RasterSurface literalSurface;
  LiteralBoard board{literal, literalSurface};

  void Apply(const Step& s) {
    switch (s.kind) {
      case Kind::Refresh:
        real.Refresh(realSurface);
        board.Refresh();
        break;
      case Kind::NoCurrentCell:
        real.SetCurrentCell(realSurface, 0, 0);
        board.SetCurrentCell(0, 0);
        break;
      case Kind::Install:
        Install(real, s.grid);
        Install(literal, s.grid);
        break;
      case Kind::Input:
        real.ProcessInput(realSurface, s.keyAscii, s.keyCode, s.button, s.x, s.y);
        board.ProcessInput(s.keyAscii, s.keyCode, s.button, s.x, s.y);
        break;
    }
  }
};

// How a session starts: from the empty board, from a document opened and then
// drawn, or from a document whose digits arrived after the first full redraw
// of an empty board, so that the font is still regular while digits stand.
enum class Start { Empty, OpenedThenDrawn, DrawnThenOpened };

void RunSession(unsigned seed, Start start, int steps) {
  Pair pair;
  StepMaker maker(seed);
  Step open;
  open.kind = Kind::Install;
  for (int r = 1; r <= 9; ++r) {
    for (int c = 1; c <= 9; ++c) {
      open.grid[r][c] = (r * 7 + c * 3 + static_cast<int>(seed)) % 4 == 0 ? SolvedGrid()[r][c] : 0;
    }
  }
  if (start == Start::OpenedThenDrawn) pair.Apply(open);
  pair.real.Refresh(pair.realSurface);
  pair.board.Refresh();
  if (start == Start::DrawnThenOpened) pair.Apply(open);
  ASSERT_TRUE(SamePixels(pair.realSurface, pair.literalSurface)) << "seed " << seed << " start";
  for (int i = 0; i < steps; ++i) {
    const Step step = maker.Next();
    pair.Apply(step);
    ASSERT_EQ(DocumentDifference(pair.real, pair.literal), "")
        << "seed " << seed << ", step " << i << ": " << step.Describe();
    ASSERT_TRUE(SamePixels(pair.realSurface, pair.literalSurface))
        << "seed " << seed << ", step " << i << ": " << step.Describe();
  }
}

TEST(RepaintEquivalence, LongRandomSessionsLeaveTheSamePixelsAsFullRepaints) {
  RunSession(1, Start::Empty, 1500);
  RunSession(2, Start::OpenedThenDrawn, 1500);
  RunSession(3, Start::Empty, 1500);
  RunSession(20261208, Start::OpenedThenDrawn, 1500);
}

// The first steps after digits arrive with the regular font are where the
// font weight of each print matters; many short sessions try them.
TEST(RepaintEquivalence, ShortSessionsStartingWithTheRegularFont) {
  for (unsigned seed = 100; seed < 180; ++seed) {
    RunSession(seed, Start::DrawnThenOpened, 12);
    if (HasFatalFailure()) return;
  }
}

}  // namespace
}  // namespace numino
