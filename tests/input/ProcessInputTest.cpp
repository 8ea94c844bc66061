#include <gtest/gtest.h>

#include <vector>

#include "support/BoardSession.h"
#include "support/Grids.h"

namespace numino {
namespace {

using testing::BoardSession;
using testing::InkX;
using testing::InkY;
using testing::MarkColour;
using testing::RasterSurface;
using testing::SolvedGrid;

constexpr int kDelete = 46;
constexpr int kLeft = 37;
constexpr int kUp = 38;
constexpr int kRight = 39;
constexpr int kDown = 40;

TEST(ProcessInput, ADigitIsStoredRecordedAndDrawn) {
  BoardSession b;
  b.Select(2, 3);
  b.Char('7');
  EXPECT_EQ(b.schema.GetBuffer(2, 3), 7);
  EXPECT_EQ(b.schema.history, (std::vector<UndoRecord>{{2, 3, 0, 7}}));
  EXPECT_TRUE(b.schema.Modified());
  EXPECT_TRUE(b.IsCurrent(2, 3));
  EXPECT_TRUE(b.frm.IsBoldInk(InkX(3), InkY(2)));
  EXPECT_EQ(MarkColour(b.frm, 2, 9, 7), RasterSurface::kRed) << "a peer in its row";
  EXPECT_EQ(MarkColour(b.frm, 3, 1, 7), RasterSurface::kRed) << "a peer in its box";
  EXPECT_TRUE(b.platform.messages.empty()) << "the grid is not full";
}

TEST(ProcessInput, ZeroAndDeleteEmptyTheCellAndAreRecorded) {
  struct Row {
    bool viaDelete;
    std::int16_t before;
    const char* why;
  };
  const Row rows[] = {
      {false, 6, "typing 0"},
      {true, 6, "the Delete key"},
      {false, 0, "typing 0 in an empty cell is still recorded"},
      {true, 0, "Delete in an empty cell is still recorded"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.why);
    BoardSession b;
    b.Select(4, 8);
    if (r.before != 0) b.Char('0' + r.before);
    b.schema.ClearHistory();
    b.schema.modifiedFlag = false;
    if (r.viaDelete) {
      b.Key(kDelete);
    } else {
      b.Char('0');
    }
    EXPECT_EQ(b.schema.GetBuffer(4, 8), 0);
    EXPECT_EQ(b.schema.history, (std::vector<UndoRecord>{{4, 8, r.before, 0}}));
    EXPECT_TRUE(b.schema.Modified());
    EXPECT_FALSE(b.frm.IsInk(InkX(8), InkY(4)));
    EXPECT_TRUE(b.IsCurrent(4, 8));
  }
}

TEST(ProcessInput, TheLastDigitOfASolutionIsAnnouncedAndEveryFurtherDigitChecked) {
  BoardSession b;
  b.schema.cellValues = SolvedGrid();
  b.schema.cellValues[9][9] = 0;
  b.schema.Refresh(b.frm);
  b.Select(9, 9);
  b.Char('8');
  ASSERT_EQ(b.platform.messages.size(), 1u);
  EXPECT_EQ(b.platform.messages[0].text, "OK, schema completo e corretto!");
  EXPECT_EQ(b.platform.messages[0].style, MessageStyle::OkInformation);

  b.Char('8');
  ASSERT_EQ(b.platform.messages.size(), 2u);
  EXPECT_EQ(b.platform.messages[1].text, "OK, schema completo e corretto!");

  // A 1 in (9, 9) repeats the 1 of (4, 9), the first cell to see it.
  b.Char('1');
  ASSERT_EQ(b.platform.messages.size(), 3u);
  EXPECT_EQ(b.platform.messages[2].text,
            "Schema non valido (verificare la casella in riga 4, colonna 9)");
  EXPECT_EQ(b.platform.messages[2].title, "Numino");
  EXPECT_EQ(b.platform.messages[2].style, MessageStyle::OkExclamation);

  b.Char('0');  // the grid is no longer full
  EXPECT_EQ(b.platform.messages.size(), 3u);
}

// Delete with no current cell leaves a full grid full, so only the missing
// check keeps it quiet; a digit typed in the same state is checked.
TEST(ProcessInput, DeleteNeverChecksTheGrid) {
  BoardSession b;
  b.schema.cellValues = SolvedGrid();
  b.schema.Refresh(b.frm);
  b.schema.SetCurrentCell(b.frm, 0, 0);
  b.Key(kDelete);
  EXPECT_TRUE(b.platform.messages.empty());
  EXPECT_TRUE(b.schema.history.empty()) << "no cell to empty";
  b.Char('5');
  ASSERT_EQ(b.platform.messages.size(), 1u);
  EXPECT_EQ(b.platform.messages[0].text, "OK, schema completo e corretto!");
  EXPECT_TRUE(b.schema.history.empty()) << "no cell to write";
}

TEST(ProcessInput, ArrowsMoveTheCurrentCellAndStopAtTheEdges) {
  struct Row {
    int row, col, key;
    int expectedRow, expectedCol;
    const char* why;
  };
  const Row rows[] = {
      {5, 5, kLeft, 5, 4, "left"},         {5, 5, kUp, 4, 5, "up"},
      {5, 5, kRight, 5, 6, "right"},       {5, 5, kDown, 6, 5, "down"},
      {5, 1, kLeft, 5, 1, "left edge"},    {1, 5, kUp, 1, 5, "top edge"},
      {5, 9, kRight, 5, 9, "right edge"},  {9, 5, kDown, 9, 5, "bottom edge"},
      {1, 1, kLeft, 1, 1, "corner, left"}, {9, 9, kDown, 9, 9, "corner, down"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.why);
    BoardSession b;
    b.Select(r.row, r.col);
    b.Key(r.key);
    EXPECT_TRUE(b.IsCurrent(r.expectedRow, r.expectedCol))
        << b.schema.currentRow << "," << b.schema.currentCol;
    EXPECT_TRUE(b.schema.history.empty());
    EXPECT_FALSE(b.schema.Modified());
  }
}

TEST(ProcessInput, LeftClicksSelectTheCellUnderThePointer) {
  struct Row {
    int buttons, x, y;
    int expectedRow, expectedCol;  // (5, 5) when nothing happens
    const char* why;
  };
  const Row rows[] = {
      {1, 12, 12, 1, 1, "the border belongs to the first cell"},
      {1, 227, 227, 9, 9, "the last pixel of the last cell"},
      {1, 36, 60, 3, 2, "grid lines belong to the cell after them"},
      {1, 11, 40, 5, 5, "left of the board"},
      {1, 228, 40, 5, 5, "on the far border"},
      {1, 40, 228, 5, 5, "on the bottom border"},
      {1, -3, -3, 5, 5, "off the window"},
      {3, 130, 60, 3, 5, "left and right together act as left"},
      {5, 130, 60, 3, 5, "left and middle together act as left"},
      {4, 130, 60, 5, 5, "the middle button alone does nothing"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.why);
    BoardSession b;
    b.Select(5, 5);
    b.Button(r.buttons, r.x, r.y);
    EXPECT_TRUE(b.IsCurrent(r.expectedRow, r.expectedCol))
        << b.schema.currentRow << "," << b.schema.currentCol;
    EXPECT_TRUE(b.schema.history.empty());
    EXPECT_FALSE(b.schema.Modified());
  }
}

TEST(ProcessInput, RightClickRulesOutTheCurrentDigitInTheClickedCell) {
  BoardSession b;
  b.Char('4');  // into (1, 1), the current cell
  b.schema.modifiedFlag = false;
  b.Click(2, 5, 5);
  EXPECT_EQ(b.schema.userExclusions[5][5], 8);
  EXPECT_EQ(MarkColour(b.frm, 5, 5, 4), RasterSurface::kBlack);
  b.Click(6, 5, 5);  // right and middle together act as right
  EXPECT_EQ(b.schema.userExclusions[5][5], 0);
  EXPECT_EQ(MarkColour(b.frm, 5, 5, 4), RasterSurface::kGreen) << "4 can go there again";
  const std::vector<UndoRecord> expected = {{1, 1, 0, 4}, {5, 5, -1, -9}, {5, 5, -9, -1}};
  EXPECT_EQ(b.schema.history, expected);
  EXPECT_FALSE(b.schema.Modified()) << "exclusions are not part of the document";
  EXPECT_TRUE(b.IsCurrent(1, 1));

  b.Undo();
  EXPECT_EQ(b.schema.userExclusions[5][5], 8);
  b.Undo();
  EXPECT_EQ(b.schema.userExclusions[5][5], 0);
  EXPECT_TRUE(b.IsCurrent(1, 1)) << "undoing exclusions leaves the current cell";
  EXPECT_FALSE(b.schema.Modified());
}

TEST(ProcessInput, RightClickDoesNothingWithoutACurrentDigitOrOffTheBoard) {
  struct Row {
    bool currentHoldsDigit;
    int x, y;
    const char* why;
  };
  const Row rows[] = {
      {false, 120, 120, "the current cell is empty"},
      {true, 11, 120, "left of the board"},
      {true, 120, 228, "below the board"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.why);
    BoardSession b;
    if (r.currentHoldsDigit) b.Char('4');
    b.schema.ClearHistory();
    const RasterSurface before = b.frm;
    b.Button(2, r.x, r.y);
    EXPECT_TRUE(b.schema.history.empty());
    for (int row = 1; row <= 9; ++row) {
      for (int col = 1; col <= 9; ++col) EXPECT_EQ(b.schema.userExclusions[row][col], 0);
    }
    EXPECT_TRUE(b.frm == before);
  }
}

TEST(ProcessInput, OtherCharactersAndKeysDoNothing) {
  struct Row {
    int keyAscii, keyCode;
    const char* why;
  };
  const Row rows[] = {
      {'a', 0, "a letter"},
      {'Z', 0, "a capital"},
      {' ', 0, "space"},
      {13, 0, "Enter"},
      {27, 0, "Escape"},
      {'/', 0, "the character before 0"},
      {':', 0, "the character after 9"},
      {0, 36, "Home"},
      {0, 35, "End"},
      {0, 112, "F1"},
      {0, 41, "the key code after the arrows"},
      {0, 45, "Insert"},
      {0, 48, "the key of 0"},
      {0, 57, "the key of 9"},
      {0, 53, "the key of 5"},
      {0, 8, "the Backspace key, as opposed to its character"},
      {0, 9, "the Tab key, as opposed to its character"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.why);
    BoardSession b;
    // Something to undo and something to redo, in case the key codes of
    // Backspace and Tab were taken for their characters.
    b.Select(4, 4);
    b.Char('2');
    b.Select(3, 3);
    b.Char('6');
    b.Undo();
    const NuminoSchema::Grid values = b.schema.cellValues;
    const std::vector<UndoRecord> history = b.schema.history;
    const std::ptrdiff_t historyPos = b.schema.historyPos;
    b.schema.modifiedFlag = false;
    const RasterSurface before = b.frm;
    b.schema.ProcessInput(b.frm, static_cast<std::int16_t>(r.keyAscii),
                          static_cast<std::int16_t>(r.keyCode), 0, 0, 0);
    EXPECT_EQ(b.schema.cellValues, values);
    EXPECT_EQ(b.schema.history, history);
    EXPECT_EQ(b.schema.historyPos, historyPos);
    EXPECT_TRUE(b.IsCurrent(3, 3));
    EXPECT_FALSE(b.schema.Modified());
    EXPECT_TRUE(b.frm == before);
    EXPECT_TRUE(b.platform.messages.empty());
  }
}

// A key that produces a character arrives as a key code and then as the
// character; together they act once.
TEST(ProcessInput, ADigitKeyActsOnceForItsTwoEvents) {
  BoardSession b;
  b.Key('5');
  b.Char('5');
  EXPECT_EQ(b.schema.history.size(), 1u);
  b.Key(kDelete);  // Delete produces no character
  EXPECT_EQ(b.schema.history.size(), 2u);
}

TEST(ProcessInput, CtrlWithADigitRulesItOutInAnEmptyCurrentCell) {
  struct Row {
    int code;
    std::int16_t value;  // of the current cell (4, 6)
    bool toggled;
    const char* why;
  };
  const Row rows[] = {
      {0x101, 0, true, "Ctrl+1 in an empty cell"},
      {0x109, 0, true, "Ctrl+9, the last digit"},
      {0x107, 3, false, "a full cell shows no marks, so it takes none"},
      {0x100, 0, false, "no digit 0 to rule out"},
      {0x10A, 0, false, "no digit 10"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.why);
    BoardSession b;
    b.Select(4, 6);
    if (r.value != 0) b.Char('0' + r.value);
    b.schema.ClearHistory();
    b.schema.modifiedFlag = false;
    b.Key(r.code);
    const int d = r.code - 0x100;
    if (r.toggled) {
      EXPECT_EQ(b.schema.userExclusions[4][6], 1 << (d - 1));
      const auto after = static_cast<std::int16_t>(-1 - (1 << (d - 1)));
      EXPECT_EQ(b.schema.history, (std::vector<UndoRecord>{{4, 6, -1, after}}));
      EXPECT_EQ(MarkColour(b.frm, 4, 6, d), RasterSurface::kBlack);
    } else {
      EXPECT_EQ(b.schema.userExclusions[4][6], 0);
      EXPECT_TRUE(b.schema.history.empty());
    }
    EXPECT_FALSE(b.schema.Modified());
    EXPECT_TRUE(b.IsCurrent(4, 6));
  }
}

}  // namespace
}  // namespace numino
