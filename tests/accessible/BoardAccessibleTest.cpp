#include "accessible/BoardAccessible.h"

#include <QAccessible>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "board/BoardWidget.h"
#include "support/FakePlatform.h"
#include "support/QtTestSupport.h"
#include "window/frmNumino.h"

namespace {

using numino::testing::CellMiddle;
using numino::testing::FakePlatform;
using numino::testing::ShowActive;

// What went out to assistive technology, one line per event.
std::vector<std::string>* g_events = nullptr;

void RecordEvent(QAccessibleEvent* event) {
  if (g_events == nullptr) return;
  QAccessibleInterface* iface = event->accessibleInterface();
  const QString name = iface ? iface->text(QAccessible::Name) : QString();
  if (event->type() == QAccessible::NameChanged) {
    g_events->push_back("name " + name.toStdString());
  } else if (event->type() == QAccessible::Focus) {
    g_events->push_back("focus " + name.toStdString());
  }
}

class BoardAccessibleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_events = &events;
    ASSERT_TRUE(ShowActive(window, window.Board()));
    table = dynamic_cast<BoardAccessible*>(QAccessible::queryAccessibleInterface(&window.Board()));
    ASSERT_NE(table, nullptr);
  }
  void TearDown() override { g_events = nullptr; }

  std::vector<std::string> events;
  FakePlatform platform;
  frmNumino window{platform, QStringLiteral("Numino")};
  BoardAccessible* table = nullptr;
};

TEST_F(BoardAccessibleTest, IsATableOfNamedCells) {
  EXPECT_EQ(table->role(), QAccessible::Table);
  EXPECT_EQ(table->text(QAccessible::Name), "Schema");
  QAccessibleTableInterface* grid = table->tableInterface();
  ASSERT_NE(grid, nullptr);
  EXPECT_EQ(grid->rowCount(), 9);
  EXPECT_EQ(grid->columnCount(), 9);
  EXPECT_EQ(table->childCount(), 81);
  QAccessibleInterface* cell = grid->cellAt(2, 4);
  EXPECT_EQ(cell->role(), QAccessible::Cell);
  EXPECT_EQ(cell->text(QAccessible::Name), "Riga 3, colonna 5: vuota, possibili 1 2 3 4 5 6 7 8 9");
  EXPECT_EQ(cell->tableCellInterface()->rowIndex(), 2);
  EXPECT_EQ(cell->tableCellInterface()->columnIndex(), 4);
  EXPECT_EQ(table->indexOfChild(cell), 2 * 9 + 4);
  EXPECT_EQ(cell->parent(), table);
  EXPECT_TRUE(grid->cellAt(0, 0)->state().focused) << "the current cell";
  EXPECT_FALSE(cell->state().focused);
  EXPECT_EQ(grid->cellAt(-3, 40), grid->cellAt(0, 8)) << "always a cell, at the nearest edge";
  // Cell (3, 5) spans x 108..131 and y 60..83 of the board.
  const QRect rect = cell->rect();
  EXPECT_EQ(rect, QRect(window.Board().mapToGlobal(QPoint(108, 60)), QSize(24, 24)));
  EXPECT_EQ(table->childAt(rect.center().x(), rect.center().y()), cell);
}

// Each step acts through the window, then the table tells what changed.
// While the board has the focus, the current cell is told once, by a focus
// event after the others' name changes, and always as an object Orca is not on.
TEST_F(BoardAccessibleTest, TellsTheCurrentCellOnceByAFocusEvent) {
  BoardWidget& board = window.Board();
  const auto key = [&board](Qt::Key k) { return [&board, k] { QTest::keyClick(&board, k); }; };
  const char* const kEmpty = "Riga 1, colonna 2: vuota, possibili 1 2 3 4 5 6 8 9";
  const struct {
    const char* what;
    std::function<void()> act;
    bool retell;        // as the window asks after an arrow key
    const char* focus;  // the cell the focus event tells, "" for none
    std::size_t names;  // name changes: the peers', and the cell's without the focus
  } steps[] = {
      {"a digit in the current cell", key(Qt::Key_7), false, "Riga 1, colonna 1: 7", 20},
      {"a peer's name change",
       [&board] { QTest::mouseClick(&board, Qt::RightButton, {}, CellMiddle(1, 5)); }, false, "",
       1},
      {"a move", key(Qt::Key_Right), true, kEmpty, 0},
      {"an arrow at the edge", key(Qt::Key_Up), true, kEmpty, 0},
      {"focus in", [this] { table->FocusCameIn(); }, false, kEmpty, 0},
      {"focus in, nothing listening", [&board] { AnnounceBoardFocus(board); }, false, "", 0},
      {"the focus going", [&board] { board.clearFocus(); }, false, "", 0},
      {"a digit without the focus", key(Qt::Key_5), false, "", 1 + 19},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.what);
    const QAccessible::Id before = QAccessible::uniqueId(table->focusChild());
    events.clear();
    step.act();
    table->Announce(RecordEvent, step.retell);
    const bool told = *step.focus != '\0';
    EXPECT_EQ(events.size(), step.names + (told ? 1 : 0));
    if (told) {
      EXPECT_EQ(events.back(), std::string("focus ") + step.focus);
    }
    EXPECT_EQ(QAccessible::uniqueId(table->focusChild()) != before, told) << "a new object";
  }
}

// Changes made while no assistive technology listened are all told on the
// first announcement after.
TEST_F(BoardAccessibleTest, WhatWasNotToldIsToldAtOnce) {
  ASSERT_FALSE(QAccessible::isActive()) << "the offscreen platform has no bridge";
  QTest::keyClick(&window.Board(), Qt::Key_7);
  QTest::keyClick(&window.Board(), Qt::Key_Down);
  EXPECT_TRUE(events.empty());
  table->Announce(RecordEvent);
  ASSERT_EQ(events.size(), 20u + 1u) << "(2, 1) among the peers is told by its focus";
  EXPECT_EQ(events.back(), "focus Riga 2, colonna 1: vuota, possibili 1 2 3 4 5 6 8 9");
  events.clear();
  table->Announce(RecordEvent);
  EXPECT_TRUE(events.empty()) << "told once only";
}

}  // namespace
