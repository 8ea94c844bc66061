#include <gtest/gtest.h>

#include <vector>

#include "support/BoardSession.h"

namespace numino {
namespace {

using testing::BoardSession;
using testing::InkX;
using testing::InkY;
using testing::MarkColour;
using testing::RasterSurface;

TEST(UndoRedo, ValuesComeBackInTurnWithTheCurrentCellFollowing) {
  BoardSession b;
  b.Select(1, 1);
  b.Char('1');
  b.Select(5, 5);
  b.Char('2');
  b.Select(9, 2);
  b.Char('3');
  b.Select(7, 7);

  struct Expect {
    int value11, value55, value92;
    int row, col;  // the current cell after the step
  };
  const Expect afterUndo[] = {{1, 2, 0, 9, 2}, {1, 0, 0, 5, 5}, {0, 0, 0, 1, 1}};
  for (const Expect& e : afterUndo) {
    b.Undo();
    EXPECT_EQ(b.schema.GetBuffer(1, 1), e.value11);
    EXPECT_EQ(b.schema.GetBuffer(5, 5), e.value55);
    EXPECT_EQ(b.schema.GetBuffer(9, 2), e.value92);
    EXPECT_TRUE(b.IsCurrent(e.row, e.col));
  }
  const Expect afterRedo[] = {{1, 0, 0, 1, 1}, {1, 2, 0, 5, 5}, {1, 2, 3, 9, 2}};
  for (const Expect& e : afterRedo) {
    b.Redo();
    EXPECT_EQ(b.schema.GetBuffer(1, 1), e.value11);
    EXPECT_EQ(b.schema.GetBuffer(5, 5), e.value55);
    EXPECT_EQ(b.schema.GetBuffer(9, 2), e.value92);
    EXPECT_TRUE(b.IsCurrent(e.row, e.col));
  }
  const RasterSurface before = b.frm;
  b.Redo();  // nothing left to redo
  EXPECT_EQ(b.schema.historyPos, 2);
  EXPECT_TRUE(b.IsCurrent(9, 2));
  EXPECT_TRUE(b.frm == before);
}

TEST(UndoRedo, UndoneValueIsDrawnAndCurrent) {
  BoardSession b;
  b.Select(2, 3);
  b.Char('5');
  b.Key(46);  // Delete
  b.Select(8, 8);
  b.Undo();
  EXPECT_EQ(b.schema.GetBuffer(2, 3), 5);
  EXPECT_TRUE(b.IsCurrent(2, 3));
  EXPECT_TRUE(b.frm.IsBoldInk(InkX(3), InkY(2)));
  b.Select(8, 8);
  b.Undo();
  EXPECT_EQ(b.schema.GetBuffer(2, 3), 0);
  EXPECT_TRUE(b.IsCurrent(2, 3));
  EXPECT_FALSE(b.frm.IsInk(InkX(3), InkY(2)));
}

TEST(UndoRedo, ANewEditAfterUndoDiscardsTheRedo) {
  BoardSession b;
  b.Char('1');
  b.Key(39);
  b.Char('2');
  b.Key(39);
  b.Char('3');
  b.Undo();
  b.Undo();
  b.Char('9');  // into (1, 2), current after the second undo
  EXPECT_EQ(b.schema.history, (std::vector<UndoRecord>{{1, 1, 0, 1}, {1, 2, 0, 9}}));
  b.Redo();
  EXPECT_EQ(b.schema.GetBuffer(1, 2), 9);
  EXPECT_EQ(b.schema.GetBuffer(1, 3), 0);
  EXPECT_EQ(b.schema.historyPos, 1);
}

// Redo used to stop for good once 101 records were applied, whatever was
// left to redo, so work undone late in a long session was lost.
TEST(UndoRedo, RedoStillWorksAfterMoreThanAHundredEdits) {
  struct Row {
    int edits;
    int undos;
    const char* why;
  };
  const Row rows[] = {
      {150, 5, "well past a hundred"},
      {101, 1, "the 101st record undone and redone"},
      {101, 2, "two undone from 101"},
      {102, 3, "across the hundredth position"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.why);
    BoardSession b;
    for (int i = 0; i < r.edits; ++i) {
      b.Select(i % 9 + 1, i / 9 % 9 + 1);
      b.Char('1' + i % 9);
    }
    const NuminoSchema::Grid full = b.schema.cellValues;
    for (int i = 0; i < r.undos; ++i) b.Undo();
    ASSERT_EQ(b.schema.historyPos, r.edits - 1 - r.undos);
    for (int i = 0; i < r.undos; ++i) b.Redo();
    EXPECT_EQ(b.schema.historyPos, r.edits - 1);
    EXPECT_EQ(b.schema.cellValues, full);
  }
}

TEST(UndoRedo, AnEmptyHistoryChangesNothing) {
  for (const bool afterReset : {false, true}) {
    SCOPED_TRACE(afterReset ? "after Reset" : "at start");
    BoardSession b;
    if (afterReset) {
      b.Char('7');
      b.Click(2, 4, 4);
      b.schema.Reset();
      b.schema.Refresh(b.frm);
    }
    b.Select(3, 6);
    const RasterSurface before = b.frm;
    b.Undo();
    b.Redo();
    EXPECT_TRUE(b.IsCurrent(3, 6));
    EXPECT_FALSE(b.schema.Modified());
    EXPECT_EQ(b.schema.historyPos, -1);
    EXPECT_EQ(b.schema.cellValues, NuminoSchema::Grid{});
    EXPECT_TRUE(b.frm == before);
  }
}

TEST(UndoRedo, OnlyValueRecordsMakeTheDocumentModified) {
  BoardSession b;
  b.Char('6');
  b.Click(2, 2, 2);               // rule out 6 in (2, 2)
  b.schema.modifiedFlag = false;  // as if just saved

  b.Undo();  // the exclusion
  EXPECT_EQ(b.schema.userExclusions[2][2], 0);
  EXPECT_FALSE(b.schema.Modified());
  b.Redo();
  EXPECT_EQ(b.schema.userExclusions[2][2], 32);
  EXPECT_FALSE(b.schema.Modified());

  b.Undo();
  b.Undo();  // the 6
  EXPECT_EQ(b.schema.GetBuffer(1, 1), 0);
  EXPECT_TRUE(b.schema.Modified());
  b.schema.modifiedFlag = false;
  b.Redo();
  EXPECT_EQ(b.schema.GetBuffer(1, 1), 6);
  EXPECT_TRUE(b.schema.Modified());
}

// An exclusion is undone and redone in place: the current cell stays, and
// the repaint is made for the excluded cell, whose digit, if it holds one,
// is printed once more on top.
TEST(UndoRedo, ExclusionsReplayWithoutMovingTheCurrentCell) {
  BoardSession b;
  b.Select(6, 6);
  b.Char('3');
  b.Select(6, 1);
  b.Char('8');       // (6, 1) holds 8 and is current
  b.Click(2, 6, 6);  // rule out 8 in (6, 6), a cell holding 3
  b.Select(9, 9);
  b.Select(6, 1);  // back: (6, 1) is current again
  ASSERT_EQ(b.frm.PrintCount(InkX(6), InkY(6)), 1);
  ASSERT_EQ(b.frm.PrintCount(InkX(1), InkY(6)), 2);

  b.Undo();
  EXPECT_EQ(b.schema.userExclusions[6][6], 0);
  EXPECT_TRUE(b.IsCurrent(6, 1));
  EXPECT_EQ(b.frm.PrintCount(InkX(6), InkY(6)), 2) << "the repaint was made for (6, 6)";
  EXPECT_EQ(b.frm.PrintCount(InkX(1), InkY(6)), 1);

  b.Select(2, 2);
  b.Select(6, 1);
  b.Redo();
  EXPECT_EQ(b.schema.userExclusions[6][6], 128);
  EXPECT_TRUE(b.IsCurrent(6, 1));
  EXPECT_EQ(b.frm.PrintCount(InkX(6), InkY(6)), 2);
}

TEST(UndoRedo, ExclusionUndoRedrawsTheMarks) {
  BoardSession b;
  b.Char('4');       // (1, 1) holds 4
  b.Click(2, 7, 7);  // rule out 4 in (7, 7)
  EXPECT_EQ(MarkColour(b.frm, 7, 7, 4), RasterSurface::kBlack);
  b.Undo();
  EXPECT_EQ(MarkColour(b.frm, 7, 7, 4), RasterSurface::kGreen);
  b.Redo();
  EXPECT_EQ(MarkColour(b.frm, 7, 7, 4), RasterSurface::kBlack);
}

}  // namespace
}  // namespace numino
