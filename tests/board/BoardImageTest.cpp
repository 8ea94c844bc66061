// The real board drawn onto the Qt surface, checked pixel by pixel. Every
// coordinate below is written out from the board's documented layout (border
// at 12, a grid line every 24 pixels, the frame 2 and the content area 3
// pixels inside a cell's grid lines, 6 x 6 marks in keypad order), never taken
// from the drawing code, so a wrong drawing constant fails here.

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "board/BoardFont.h"
#include "board/QImageSurface.h"
#include "model/NuminoSchema.h"
#include "support/BoardSession.h"
#include "support/ModelSnapshot.h"
#include "support/QtTestSupport.h"

namespace {

using numino::NuminoSchema;
using numino::testing::CellLeft;
using numino::testing::CellMiddleX;
using numino::testing::CellMiddleY;
using numino::testing::CellTop;
using numino::testing::kBoardSide;

constexpr QRgb kWhite = 0xFFFFFFFF;  // palette Base: board and cell background
constexpr QRgb kBlack = 0xFF000000;  // palette ButtonText: lines, frame, digits
constexpr QRgb kGrey = 0xFFA0A0A0;   // palette Window: the margin round the board
constexpr QRgb kRed = 0xFFFF0000;
constexpr QRgb kGreen = 0xFF00FF00;

const std::set<int> kGridLines = {12, 36, 60, 84, 85, 108, 132, 156, 157, 180, 204, 228};

// A schema drawing on a 240 x 240 surface, driven the way the window drives it.
struct Board {
  explicit Board(qreal ratio = 1)
      : surface(QSize(kBoardSide, kBoardSide), ratio,
                numino::testing::BoardPalette(kWhite, kBlack, kGrey), BoardFont()) {}

  const QImage& Image() { return surface.Image(); }
  QRgb At(int x, int y) { return Image().pixel(x, y); }

  // Space-separated steps: a digit is typed; left, right, up, down and del
  // are keys; undo and redo are Backspace and Tab; "L19" and "R55" release
  // the left or right button over row 1 column 9, row 5 column 5; "none"
  // leaves no current cell.
  void Run(const std::string& script) {
    std::istringstream steps(script);
    // {KeyAscii, KeyCode} of the named keys.
    static const std::map<std::string, std::pair<int, int>> kKeys = {
        {"left", {0, 37}}, {"up", {0, 38}},  {"right", {0, 39}}, {"down", {0, 40}},
        {"del", {0, 46}},  {"undo", {8, 0}}, {"redo", {9, 0}}};
    for (std::string s; steps >> s;) {
      if (s.size() == 1 && s[0] >= '0' && s[0] <= '9') {
        schema.ProcessInput(surface, std::int16_t(s[0]), 0, 0, 0, 0);
      } else if (const auto k = kKeys.find(s); k != kKeys.end()) {
        schema.ProcessInput(surface, std::int16_t(k->second.first), std::int16_t(k->second.second),
                            0, 0, 0);
      } else if (s == "none") {
        schema.SetCurrentCell(surface, 0, 0);
      } else if (s.size() == 3 && (s[0] == 'L' || s[0] == 'R')) {
        // The middle of the cell.
        const int x = CellMiddleX(s[2] - '0');
        const int y = CellMiddleY(s[1] - '0');
        schema.ProcessInput(surface, 0, 0, s[0] == 'L' ? 1 : 2, x, y);
      } else {
        ADD_FAILURE() << "unknown step " << s;
      }
    }
  }

  numino::testing::FakePlatform platform;
  NuminoSchema schema{platform};
  QImageSurface surface;
};

// What the empty board looks like with the frame on row 1, column 1.
QRgb EmptyBoardPixel(int x, int y) {
  const bool onBoard = x >= 12 && x <= 228 && y >= 12 && y <= 228;
  if (!onBoard) return kGrey;
  if (kGridLines.count(x) || kGridLines.count(y)) return kBlack;
  const bool inFrame = x >= 14 && x <= 34 && y >= 14 && y <= 34;
  const bool inFrameInterior = x >= 15 && x <= 33 && y >= 15 && y <= 33;
  return inFrame && !inFrameInterior ? kBlack : kWhite;
}

// Compares a whole picture at any whole device-pixel ratio with the logical
// picture it should show, reporting the first few differences.
void ExpectPicture(const QImage& image, int ratio, QRgb (*expected)(int, int)) {
  ASSERT_EQ(image.size(), QSize(240 * ratio, 240 * ratio));
  int wrong = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QRgb want = expected(x / ratio, y / ratio);
      if (image.pixel(x, y) != want && ++wrong <= 5) {
        ADD_FAILURE() << "device pixel (" << x << ", " << y << ") is " << std::hex
                      << image.pixel(x, y) << ", expected " << want;
      }
    }
  }
  EXPECT_EQ(wrong, 0);
}

TEST(BoardImage, NewBoardShowsGridAndFrameOnly) {
  // The border is one pixel wide at 12 and 228, the lines between boxes two
  // pixels (84-85, 156-157), the other inner lines one pixel; 11, 13, 83,
  // 86, 227 and 229 belong to no line. The frame of (1, 1) runs from 14 to
  // 34, its content area 15 to 33 is background.
  Board board;
  std::pair<int, int> asked;
  board.surface.onWindowSize = [&](int w, int h) { asked = {w, h}; };
  board.schema.Refresh(board.surface);
  ExpectPicture(board.Image(), 1, EmptyBoardPixel);
  EXPECT_EQ(asked, std::make_pair(248, 296));
}

TEST(BoardImage, HighDpiScalesEveryLogicalPixel) {
  // At ratio 2 each one-pixel line is two device pixels wide and each box
  // line four, with nothing blurred in between.
  Board board(2);
  board.schema.Refresh(board.surface);
  EXPECT_EQ(board.Image().devicePixelRatio(), 2);
  ExpectPicture(board.Image(), 2, EmptyBoardPixel);
}

TEST(BoardImage, MarksSitAtTheirKeypadPlace) {
  struct Row {
    int row, col, digit;
    int x1, x2, y1, y2;
    const char* why;
  };
  const Row rows[] = {
      {1, 1, 5, 21, 26, 21, 26, "keypad middle of the first cell"},
      {1, 1, 3, 27, 32, 15, 20, "top right: starts at L + 15"},
      {1, 1, 7, 15, 20, 27, 32, "bottom left: starts at T + 15"},
      {9, 9, 9, 219, 224, 219, 224, "last mark of the last cell"},
      {5, 4, 1, 87, 92, 111, 116, "cell to the right of a box line"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.why);
    // A peer in the same row holds the digit; the marked cell is empty.
    Board board;
    const int peerCol = r.col == 9 ? 1 : 9;
    board.schema.cellValues[r.row][peerCol] = std::int16_t(r.digit);
    board.schema.currentRow = std::int16_t(r.row);
    board.schema.currentCol = std::int16_t(peerCol);
    board.schema.Refresh(board.surface);
    // Exactly the mark is red in the whole content area.
    const int l = CellLeft(r.col), t = CellTop(r.row);
    for (int y = t + 3; y <= t + 21; ++y) {
      for (int x = l + 3; x <= l + 21; ++x) {
        const bool inMark = x >= r.x1 && x <= r.x2 && y >= r.y1 && y <= r.y2;
        ASSERT_EQ(board.At(x, y), inMark ? kRed : kWhite) << x << ", " << y;
      }
    }
  }
}

// Reads one cell back: '#' a digit (no green, no marks), 'g' green and '.'
// background without marks, 'r' a red and 'k' a black mark of digit 5 on
// background; '?' anything else.
char DescribeCell(const QImage& image, int row, int col) {
  const int l = CellLeft(col), t = CellTop(row);
  const auto markColour = [&](int d) -> QRgb {
    const int x1 = l + 3 + 6 * ((d - 1) % 3), y1 = t + 3 + 6 * ((d - 1) / 3);
    const QRgb first = image.pixel(x1, y1);
    for (int y = y1; y < y1 + 6; ++y)
      for (int x = x1; x < x1 + 6; ++x)
        if (image.pixel(x, y) != first) return 0;
    return first;
  };
  int red = 0, black = 0, inkOrOther = 0, green = 0;
  for (int d = 1; d <= 9; ++d) {
    if (markColour(d) == kRed) red |= 1 << (d - 1);
    if (markColour(d) == kBlack) black |= 1 << (d - 1);
  }
  for (int y = t + 3; y <= t + 21; ++y) {
    for (int x = l + 3; x <= l + 21; ++x) {
      const QRgb p = image.pixel(x, y);
      if (p == kGreen)
        ++green;
      else if (p != kWhite && p != kRed && p != kBlack)
        ++inkOrOther;
    }
  }
  const bool markless = red == 0 && black == 0;
  if (inkOrOther > 0) return markless && green == 0 ? '#' : '?';
  if (markless) return green == 361 ? 'g' : green == 0 ? '.' : '?';
  if (green != 0) return '?';
  if (red == 16 && black == 0) return 'r';
  if (red == 0 && black == 16) return 'k';
  return '?';
}

// The cell whose frame ring (2 pixels inside its grid lines) is drawn; every
// other ring must be background. {0, 0} when there is none.
std::pair<int, int> FramedCell(const QImage& image) {
  std::pair<int, int> framed{0, 0};
  for (int row = 1; row <= 9; ++row) {
    for (int col = 1; col <= 9; ++col) {
      const int l = CellLeft(col) + 2, t = CellTop(row) + 2;
      int inkOnRing = 0;
      for (int i = 0; i <= 20; ++i) {
        for (const QPoint p :
             {QPoint(l + i, t), QPoint(l + i, t + 20), QPoint(l, t + i), QPoint(l + 20, t + i)}) {
          inkOnRing += image.pixel(p) == kBlack;
        }
      }
      if (inkOnRing == 84) {
        EXPECT_EQ(framed, std::make_pair(0, 0)) << "two frames";
        framed = {row, col};
      } else {
        EXPECT_EQ(inkOnRing, 0) << "part of a frame at " << row << ", " << col;
      }
    }
  }
  return framed;
}

TEST(BoardImage, CellsShowDigitsMarksAndGreen) {
  struct Row {
    const char* why;
    const char* script;
    std::vector<std::string> cells;
    std::pair<int, int> frame;
  };
  const std::vector<std::string> typedFive = {"#rrrrrrrr", "rrrgggggg", "rrrgggggg",
                                              "rgggggggg", "rgggggggg", "rgggggggg",
                                              "rgggggggg", "rgggggggg", "rgggggggg"};
  const std::vector<std::string> noGreen = {"#rrrrrrrr", "rrr......", "rrr......",
                                            "r........", "r........", "r........",
                                            "r........", "r........", "r........"};
  const Row rows[] = {
      {"typing 5 marks exactly the 20 peers; the other 60 are green", "5", typedFive, {1, 1}},
      {"moving to an empty cell removes all green", "5 right", noGreen, {1, 2}},
      {"moving back to the 5 brings the green back", "5 right left", typedFive, {1, 1}},
      {"no current cell: no frame and no green", "5 none", noGreen, {0, 0}},
      {"a right click on a green cell rules 5 out by hand",
       "5 R55",
       {"#rrrrrrrr", "rrrgggggg", "rrrgggggg", "rgggggggg", "rgggkgggg", "rgggggggg", "rgggggggg",
        "rgggggggg", "rgggggggg"},
       {1, 1}},
      {"excluded by a peer and by hand shows black over red",
       "5 R15 R51",
       {"#rrrkrrrr", "rrrgggggg", "rrrgggggg", "rgggggggg", "kgggggggg", "rgggggggg", "rgggggggg",
        "rgggggggg", "rgggggggg"},
       {1, 1}},
      {"a digit cell shows only its digit, even clashing and excluded by hand",
       "5 L19 5 R19",
       {"#rrrrrrr#", "rrrgggrrr", "rrrgggrrr", "rgggggggr", "rgggggggr", "rgggggggr", "rgggggggr",
        "rgggggggr", "rgggggggr"},
       {1, 9}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.why);
    Board board;
    board.schema.Refresh(board.surface);
    board.Run(r.script);
    std::vector<std::string> seen(9, std::string(9, ' '));
    for (int row = 1; row <= 9; ++row)
      for (int col = 1; col <= 9; ++col)
        seen[row - 1][col - 1] = DescribeCell(board.Image(), row, col);
    EXPECT_EQ(seen, r.cells);
    EXPECT_EQ(FramedCell(board.Image()), r.frame);
  }
}

TEST(BoardImage, DigitsAreCentredInsideTheirCells) {
  // Digits 1 to 9 down the diagonal; the current cell is elsewhere and
  // empty, so no frame or green touches them. The ink must stay inside the
  // content area (L + 3 to L + 21) and its middle within a pixel of the
  // middle of the 24 pixels that start at the cell's grid lines.
  Board board;
  for (int d = 1; d <= 9; ++d) board.schema.cellValues[d][d] = std::int16_t(d);
  board.schema.currentRow = 1;
  board.schema.currentCol = 9;
  board.schema.Refresh(board.surface);
  for (int d = 1; d <= 9; ++d) {
    SCOPED_TRACE(d);
    const int l = CellLeft(d), t = CellTop(d);
    QRect ink;
    // Between the cell's grid lines (a box line may take L + 1).
    for (int y = t + 2; y <= t + 22; ++y)
      for (int x = l + 2; x <= l + 22; ++x)
        if (board.At(x, y) != kWhite) ink |= QRect(x, y, 1, 1);
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_TRUE(QRect(l + 3, t + 3, 19, 19).contains(ink))
        << ink.x() << "," << ink.y() << " " << ink.width() << "x" << ink.height();
    EXPECT_NEAR(ink.x() + ink.width() / 2.0, l + 12, 1.0);
    EXPECT_NEAR(ink.y() + ink.height() / 2.0, t + 12, 1.0);
  }
}

TEST(BoardImage, RepaintingOnlyChangedCellsMatchesAFullRedraw) {
  // Each script ends with a step that places the frame, which is when a full
  // redraw and the repaints after the input must agree.
  struct Row {
    const char* why;
    const char* script;
  };
  const Row rows[] = {
      {"typing round the board", "5 right 3 down 7 L55 9 L99 1 up 2"},
      {"undo and redo of digits", "5 right 3 L33 4 undo undo redo undo redo L44"},
      {"hand exclusions, then moving", "5 R55 R19 R55 R91 L22 right"},
      {"undoing an exclusion, then moving", "5 R55 R66 undo redo undo down"},
      {"deleting and emptying cells", "5 right 5 del left 0 L12 7 L11"},
      {"typing over a digit, clashing digits", "5 8 right 8 L21 8 L13"},
      {"no current cell, then back", "4 none 5 L44 6"},
  };
  for (const int ratio : {1, 2}) {
    for (const Row& r : rows) {
      SCOPED_TRACE(r.why);
      SCOPED_TRACE(ratio);
      Board board(ratio);
      board.schema.cellValues[9][9] = 3;  // a digit from the start
      board.schema.Refresh(board.surface);
      board.Run(r.script);

      Board fresh(ratio);
      numino::testing::CopyBoard(board.schema, fresh.schema);
      fresh.schema.Refresh(fresh.surface);

      const QImage& got = board.Image();
      const QImage& want = fresh.Image();
      int wrong = 0;
      QRect where;
      for (int y = 0; y < want.height(); ++y)
        for (int x = 0; x < want.width(); ++x)
          if (got.pixel(x, y) != want.pixel(x, y)) ++wrong, where |= QRect(x, y, 1, 1);
      EXPECT_EQ(wrong, 0) << "differences within " << where.x() << "," << where.y() << " "
                          << where.width() << "x" << where.height();
    }
  }
}

}  // namespace
