#include "accessible/BoardAccessible.h"

#include <QAccessible>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "board/BoardWidget.h"
#include "support/FakePlatform.h"
#include "support/QtTestSupport.h"
#include "window/frmNumino.h"

namespace {

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
    g_events->push_back("focus " + std::to_string(event->child()));
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
  QString Name(int row, int col) {
    return table->tableInterface()->cellAt(row, col)->text(QAccessible::Name);
  }
  // A key through the window, then what an assistive technology would be told.
  void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(&window.Board(), key, modifiers);
    table->Announce(RecordEvent);
  }

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

TEST_F(BoardAccessibleTest, TellsOnlyTheNamesThatChanged) {
  Press(Qt::Key_7);  // at (1, 1)
  ASSERT_EQ(window.Schema().GetBuffer(1, 1), 7);
  ASSERT_EQ(Name(0, 0), "Riga 1, colonna 1: 7");
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.front(), "name Riga 1, colonna 1: 7");
  EXPECT_EQ(events.size(), 1u + 20u) << "the cell and its 20 peers";
  EXPECT_EQ(std::count(events.begin(), events.end(),
                       "name Riga 1, colonna 9: vuota, possibili 1 2 "
                       "3 4 5 6 8 9"),
            1);
  events.clear();
  Press(Qt::Key_Right);
  EXPECT_EQ(events, (std::vector<std::string>{"focus 1"})) << "moving changes no name";
  events.clear();
  Press(Qt::Key_3, Qt::ControlModifier);
  EXPECT_EQ(events, (std::vector<std::string>{"name Riga 1, colonna 2: vuota, possibili 1 2 4 5 6 "
                                              "8 9, esclusi a mano 3"}));
  EXPECT_TRUE(table->tableInterface()->cellAt(0, 1)->state().focused);
  events.clear();
  Press(Qt::Key_F5);
  EXPECT_TRUE(events.empty()) << "a key that does nothing tells nothing";
}

// Changes made while no assistive technology listened are all told on the
// first announcement after.
TEST_F(BoardAccessibleTest, WhatWasNotToldIsToldAtOnce) {
  ASSERT_FALSE(QAccessible::isActive()) << "the offscreen platform has no bridge";
  QTest::keyClick(&window.Board(), Qt::Key_7);
  QTest::keyClick(&window.Board(), Qt::Key_Down);
  EXPECT_TRUE(events.empty());
  table->Announce(RecordEvent);
  ASSERT_EQ(events.size(), 21u + 1u);
  EXPECT_EQ(events.back(), "focus 9");
  events.clear();
  table->Announce(RecordEvent);
  EXPECT_TRUE(events.empty()) << "told once only";
}

}  // namespace
