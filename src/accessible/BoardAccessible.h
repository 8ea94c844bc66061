#pragma once

#include <QAccessibleWidget>
#include <QString>

#include <array>

#include "display/CellView.h"

namespace numino {
class NuminoSchema;
}

// The board as assistive technology sees it (AT-SPI on Linux): a table
// named "Schema" of 9 x 9 cells, each named in words after what it shows
// (DescribeCell), the current cell focused. Rows and columns are 0-based
// here, as Qt counts them; child index = row * 9 + column.
//
// The cells have no objects of their own. Their interfaces are made with
// the table and registered with Qt, which hands them out by id; with Qt
// before 6.8 the current cell's is made anew when it has to be told again
// (Announce). The table deletes them when Qt deletes it, with the widget.
// The schema is the one the widget shows, and outlives the widget.
class BoardAccessible : public QAccessibleWidget, public QAccessibleTableInterface {
 public:
  static constexpr int kSide = 9;
  static constexpr int kCells = kSide * kSide;

  BoardAccessible(QWidget* board, const numino::NuminoSchema& schema);
  ~BoardAccessible() override;

  // Tells what changed since the last call, or since the table was made: a
  // name change for each cell whose name differs from the one last told
  // (only cells whose view changed are described again), and, while the
  // board has the keyboard focus, the current cell: when it moved, when its
  // name changed, when retell asks for it again (an arrow key against the
  // edge) or when the board took the focus since (FocusCameIn). The events
  // go to send: Qt's bridge, or a test.
  //
  // Screen readers speak a cell when the focus moves to it. A current cell
  // told where it stands is told as Orca of each Debian release hears it:
  //  - Qt 6.8 and Orca 48 (Debian 13): Orca speaks a name change of the
  //    cell it is on, so the current cell's name change is sent like any
  //    other; a cell told again unchanged goes as an announcement of its
  //    name. Objects are never replaced.
  //  - Qt 6.4 and Orca 43 (Debian 12): Orca drops name changes of table
  //    cells, Qt has no announcements, and Orca ignores a focus event for
  //    the object it is on. So the cell gets a fresh interface with a new
  //    id (Renew), which Orca takes for another object, and the focus moves
  //    to it; clients holding the old one are told it is gone.
  using EventSink = void (*)(QAccessibleEvent*);
  void Announce(EventSink send = &QAccessible::updateAccessibility, bool retell = false);
  // The board took the keyboard focus: the next announcement made with the
  // focus tells the current cell, once, even if nothing changed.
  void FocusCameIn() { focusUntold_ = true; }

  // For the cells.
  QString CellName(int index) const;
  QRect CellRect(int index) const;
  bool IsCurrent(int index) const { return index == CurrentIndex(); }

  // QAccessibleInterface
  QAccessible::Role role() const override { return QAccessible::Table; }
  QString text(QAccessible::Text t) const override;
  int childCount() const override { return kCells; }
  QAccessibleInterface* child(int index) const override;
  int indexOfChild(const QAccessibleInterface* child) const override;
  QAccessibleInterface* childAt(int x, int y) const override;
  QAccessibleInterface* focusChild() const override;
  void* interface_cast(QAccessible::InterfaceType t) override;

  // QAccessibleTableInterface: nothing on the board can be selected.
  QAccessibleInterface* caption() const override { return nullptr; }
  QAccessibleInterface* summary() const override { return nullptr; }
  // The bridge uses the answer without checking it, so every row and column
  // gets a cell: out-of-range ones are brought to the nearest edge.
  QAccessibleInterface* cellAt(int row, int column) const override;
  int selectedCellCount() const override { return 0; }
  QList<QAccessibleInterface*> selectedCells() const override { return {}; }
  QString columnDescription(int) const override { return {}; }
  QString rowDescription(int) const override { return {}; }
  int selectedColumnCount() const override { return 0; }
  int selectedRowCount() const override { return 0; }
  int columnCount() const override { return kSide; }
  int rowCount() const override { return kSide; }
  QList<int> selectedColumns() const override { return {}; }
  QList<int> selectedRows() const override { return {}; }
  bool isColumnSelected(int) const override { return false; }
  bool isRowSelected(int) const override { return false; }
  bool selectRow(int) override { return false; }
  bool selectColumn(int) override { return false; }
  bool unselectRow(int) override { return false; }
  bool unselectColumn(int) override { return false; }
  void modelChange(QAccessibleTableModelChangeEvent*) override {}

 private:
  // The child index of the current cell; -1 without one.
  int CurrentIndex() const;
  numino::CellView ViewOf(int index) const;
  // Gives the cell a new interface with an id unused until then, tells
  // clients that the old one is gone (through send) and deletes it.
  void Renew(int index, EventSink send);

  const numino::NuminoSchema& schema_;
  std::array<QAccessible::Id, kCells> cellIds_{};
  std::array<numino::CellView, kCells> toldViews_{};  // the views the names were made from
  std::array<QString, kCells> told_;                  // the names as last told
  int toldCurrent_ = -1;
  bool focusUntold_ = false;
};

// The schema that an object shows when it is a board; nullptr for any
// other object.
using SchemaOfBoard = const numino::NuminoSchema* (*)(QObject* object);
// Makes Qt build a BoardAccessible for every object that schemaOf takes
// for a board. Safe to call more than once.
void InstallBoardAccessibility(SchemaOfBoard schemaOf);

// After an input or a redraw: tells assistive technology what changed on
// the board, and the current cell again when retell is set. Computes
// nothing while none listens.
void AnnounceBoardChanges(QWidget& board, bool retell = false);

// The board took the keyboard focus (the window activated, a dialog
// closed, the menu bar left): the current cell is told once Qt has told
// that the table has it. Nothing while no assistive technology listens.
void AnnounceBoardFocus(QWidget& board);
