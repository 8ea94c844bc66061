// The board drawn at every zoom on screens of ratio 1, 1.25, 1.5 and 2: what
// is sharp on the image, and where a click lands. The expected widths come
// from the rules (every line of a kind one width, nothing blended outside
// the digits), the positions from the documented layout times the scale.

#include <gtest/gtest.h>

#include <QtMath>
#include <map>
#include <set>
#include <vector>

#include "board/BoardFont.h"
#include "board/BoardWidget.h"
#include "board/QImageSurface.h"
#include "display/Zoom.h"
#include "model/NuminoSchema.h"
#include "support/BoardSession.h"
#include "support/FakePlatform.h"
#include "support/QtTestSupport.h"

namespace {

using numino::testing::CellLeft;
using numino::testing::CellMiddleY;
using numino::testing::CellTop;
using numino::testing::kBoardSide;

constexpr QRgb kWhite = 0xFFFFFFFF, kBlack = 0xFF000000, kGrey = 0xFFA0A0A0;
constexpr QRgb kRed = 0xFFFF0000, kGreen = 0xFF00FF00;
const qreal kRatios[] = {1, 1.25, 1.5, 2};

struct Scaled {
  explicit Scaled(qreal scale)
      : surface(QSize(kBoardSide, kBoardSide), scale,
                numino::testing::BoardPalette(kWhite, kBlack, kGrey), BoardFont()) {}
  numino::testing::FakePlatform platform;
  numino::NuminoSchema schema{platform};
  QImageSurface surface;
};

// Runs of one colour along a device row (horizontal) or column: {start, width}.
std::vector<std::pair<int, int>> Runs(const QImage& image, int at, bool horizontal, QRgb colour) {
  std::vector<std::pair<int, int>> runs;
  const int length = horizontal ? image.width() : image.height();
  for (int i = 0; i < length; ++i) {
    const QRgb p = horizontal ? image.pixel(i, at) : image.pixel(at, i);
    if (p != colour) continue;
    if (!runs.empty() && runs.back().first + runs.back().second == i) {
      ++runs.back().second;
    } else {
      runs.push_back({i, 1});
    }
  }
  return runs;
}

// The grid and the frame of (5, 5) on an empty board, across the middle of
// row 5 and of column 5: the border, the lines between boxes, the other
// lines and the frame each have one width everywhere, about the scale's.
TEST(BoardZoom, LinesOfOneKindHaveOneWidthAtEveryScale) {
  for (const qreal ratio : kRatios) {
    for (const double zoom : numino::zoom::kSteps) {
      const qreal s = ratio * zoom;
      SCOPED_TRACE(testing::Message() << "ratio " << ratio << ", zoom " << zoom);
      Scaled board(s);
      board.schema.currentRow = board.schema.currentCol = 5;
      board.schema.Refresh(board.surface);
      const QImage& image = board.surface.Image();
      ASSERT_EQ(image.width(), qRound(kBoardSide * s));
      const int middle = qFloor(CellMiddleY(5) * s);
      for (const bool horizontal : {true, false}) {
        const auto runs = Runs(image, middle, horizontal, kBlack);
        // 10 grid runs (the box lines are one run each) and the frame's two sides.
        ASSERT_EQ(runs.size(), 12u);
        // Runs 3 and 8 are the box lines, 5 and 6 the frame's sides.
        const int thin = runs[0].second, box = runs[3].second, frame = runs[5].second;
        EXPECT_NEAR(thin, s, 1.0);
        EXPECT_NEAR(box, 2 * s, 1.0);
        for (std::size_t i = 0; i < runs.size(); ++i) {
          const int want = i == 3 || i == 8 ? box : i == 5 || i == 6 ? frame : thin;
          EXPECT_EQ(runs[i].second, want) << "run " << i;
        }
        // Each line starts within a device pixel and a half of where the
        // layout puts it: the border at 12, lines at 12 + 24 k.
        EXPECT_NEAR(runs[0].first, 12 * s, 1.5);
        EXPECT_NEAR(runs[11].first, 228 * s, 1.5);
        EXPECT_NEAR(runs[4].first, CellLeft(5) * s, 1.5);
      }
    }
  }
}

// Digits in (1, 1), (1, 2) and (9, 9), the current cell on the 5: peers get
// red marks, the rest green, a hand-made mark in (5, 5) is black. Outside the
// digits' cells every pixel is one of the five colours, and every mark of
// the board is a solid rectangle of one size.
TEST(BoardZoom, MarksAndFillsHaveNoBlendedPixelsAtEveryScale) {
  for (const qreal ratio : kRatios) {
    for (const double zoom : numino::zoom::kSteps) {
      const qreal s = ratio * zoom;
      SCOPED_TRACE(testing::Message() << "ratio " << ratio << ", zoom " << zoom);
      Scaled board(s);
      board.schema.cellValues[1][1] = 5;
      board.schema.cellValues[1][2] = 3;
      board.schema.cellValues[9][9] = 7;
      board.schema.userExclusions[5][5] = 1 << 0;
      board.schema.Refresh(board.surface);
      const QImage& image = board.surface.Image();
      const auto inDigitCell = [&](int x, int y) {
        for (const QPoint cell : {QPoint(1, 1), QPoint(2, 1), QPoint(9, 9)}) {
          const QRectF area(CellLeft(cell.x()) * s, CellTop(cell.y()) * s, 24 * s, 24 * s);
          if (area.contains(x + 0.5, y + 0.5)) return true;
        }
        return false;
      };
      const std::set<QRgb> pure = {kWhite, kBlack, kGrey, kRed, kGreen};
      int blended = 0;
      for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
          if (!inDigitCell(x, y) && !pure.count(image.pixel(x, y)) && ++blended < 4)
            ADD_FAILURE() << "blended pixel at " << x << "," << y;
      EXPECT_EQ(blended, 0);

      // The red marks of the peers of (1, 1), (1, 2) and (9, 9), and the
      // black mark of (5, 5), found along the device rows of mark rows.
      std::map<int, int> widths;
      int marks = 0;
      for (const int row : {2, 5, 9}) {
        for (const int band : {0, 1, 2}) {
          const int y = qFloor((CellTop(row) + 3 + 6 * band + 3) * s);
          for (const QRgb colour : {kRed, kBlack}) {
            for (const auto& run : Runs(image, y, true, colour)) {
              const int x = run.first + run.second / 2;
              if (inDigitCell(x, y)) continue;
              const auto column = Runs(image, x, false, colour);
              for (const auto& c : column) {
                if (c.first <= y && y < c.first + c.second && c.second <= 10 * s) {
                  ++widths[run.second * 1000 + c.second];
                  ++marks;
                }
              }
            }
          }
        }
      }
      EXPECT_GT(marks, 10);
      ASSERT_EQ(widths.size(), 1u) << "marks of more than one size";
      EXPECT_NEAR(widths.begin()->first / 1000, 6 * s, 1.0);
      EXPECT_EQ(widths.begin()->first / 1000, widths.begin()->first % 1000) << "square";
    }
  }
}

// A click lands in the cell drawn under it: along the middle of row 5 on
// the image, the column whose lines bound the pixel under the click is the
// column the click gives, except within a pixel of a grid line on a
// fractional ratio. A pixel on a grid line belongs to the cell to its right.
TEST(BoardZoom, ClicksLandInTheCellDrawnUnderThem) {
  numino::testing::FakePlatform platform;
  numino::NuminoSchema schema{platform};
  const auto columnOf = [&](int boardX) { return int{schema.MapX(boardX)}; };
  for (const qreal ratio : kRatios) {
    for (const double zoom : numino::zoom::kSteps) {
      const qreal s = ratio * zoom;
      SCOPED_TRACE(testing::Message() << "ratio " << ratio << ", zoom " << zoom);
      Scaled board(s);
      board.schema.currentRow = board.schema.currentCol = 0;
      board.schema.Refresh(board.surface);
      const auto lines = Runs(board.surface.Image(), qFloor(CellMiddleY(5) * s), true, kBlack);
      ASSERT_EQ(lines.size(), 10u);
      const auto drawnColumn = [&](int device) {
        if (device < lines[0].first || device >= lines[9].first) return 0;
        int col = 0;
        for (const auto& line : lines) col += line.first <= device;
        return col;
      };
      int wrong = 0;
      for (int x = 0; x < qRound(kBoardSide * zoom); ++x) {
        const QPoint at = BoardWidget::BoardPoint(QPointF(x, 0), zoom);
        const int device = qFloor((x + 0.5) * ratio);
        if (columnOf(at.x()) != drawnColumn(device)) ++wrong;
      }
      EXPECT_LE(wrong, ratio == qFloor(ratio) ? 0 : 10);
    }
  }
}

}  // namespace
