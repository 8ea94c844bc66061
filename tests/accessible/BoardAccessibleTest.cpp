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
  } else if (event->type() == QAccessible::ObjectDestroyed) {
    g_events->push_back("gone");
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
  } else if (event->type() == QAccessible::Announcement) {
    g_events->push_back("announce " +
                        static_cast<QAccessibleAnnouncementEvent*>(event)->message().toStdString());
#endif
  }
}

// Before Qt 6.8 a current cell told again is a new object.
constexpr bool kRenews = QT_VERSION < QT_VERSION_CHECK(6, 8, 0);

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
// While the board has the focus, the current cell is told once, after the
// others' name changes, as the screen reader of the Qt built against hears
// it: with Qt 6.8 by a focus event where the focus moves or comes in, by
// its own name change or else by an announcement where it stays; before
// 6.8 always by a focus event, as an object the reader is not on, and the
// object it replaces is said to be gone.
TEST_F(BoardAccessibleTest, TellsTheCurrentCellOnce) {
  BoardWidget& board = window.Board();
  const auto key = [&board](Qt::Key k) { return [&board, k] { QTest::keyClick(&board, k); }; };
  const char* const kEmpty = "Riga 1, colonna 2: vuota, possibili 1 2 3 4 5 6 8 9";
  enum How { kNot, kMoved, kCameIn, kChanged, kAgain };
  const struct {
    const char* what;
    std::function<void()> act;
    bool retell;        // as the window asks after an arrow key
    How how;            // how the current cell is told
    const char* cell;   // what it is told as
    std::size_t names;  // the other cells' name changes, and the cell's without the focus
  } steps[] = {
      {"a digit in the current cell", key(Qt::Key_7), false, kChanged, "Riga 1, colonna 1: 7", 20},
      {"a peer's name change",
       [&board] { QTest::mouseClick(&board, Qt::RightButton, {}, CellMiddle(1, 5)); }, false, kNot,
       "", 1},
      {"a move", key(Qt::Key_Right), true, kMoved, kEmpty, 0},
      {"an arrow at the edge", key(Qt::Key_Up), true, kAgain, kEmpty, 0},
      {"the same again", key(Qt::Key_Up), true, kAgain, kEmpty, 0},
      {"focus in", [this] { table->FocusCameIn(); }, false, kCameIn, kEmpty, 0},
      {"focus in, nothing listening", [&board] { AnnounceBoardFocus(board); }, false, kNot, "", 0},
      {"the focus going", [&board] { board.clearFocus(); }, false, kNot, "", 0},
      {"a digit without the focus", key(Qt::Key_5), false, kNot, "", 1 + 19},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.what);
    const QAccessible::Id before = QAccessible::uniqueId(table->focusChild());
    events.clear();
    step.act();
    table->Announce(RecordEvent, step.retell);
    const std::string cell = step.cell;
    const bool renewed = kRenews && step.how != kNot && step.how != kMoved;
    std::vector<std::string> told;
    if (renewed) {
      told = {"gone", "focus " + cell};
    } else if (step.how == kMoved || step.how == kCameIn) {
      told = {"focus " + cell};
    } else if (step.how != kNot) {
      told = {(step.how == kChanged ? "name " : "announce ") + cell};
    }
    ASSERT_EQ(events.size(), step.names + told.size());
    EXPECT_EQ(std::vector(events.end() - static_cast<long>(told.size()), events.end()), told);
    EXPECT_EQ(QAccessible::uniqueId(table->focusChild()) != before, renewed || step.how == kMoved)
        << "a new object";
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
  // (2, 1) among the peers is told by its focus, with Qt 6.8 after its
  // name change.
  ASSERT_EQ(events.size(), (kRenews ? 20u : 21u) + 1u);
  EXPECT_EQ(events.back(), "focus Riga 2, colonna 1: vuota, possibili 1 2 3 4 5 6 8 9");
  events.clear();
  table->Announce(RecordEvent);
  EXPECT_TRUE(events.empty()) << "told once only";
}

}  // namespace
