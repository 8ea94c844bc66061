#include "accessible/BoardAccessible.h"

#include <QAccessibleTableCellInterface>
#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <algorithm>

#include "display/BoardGeometry.h"
#include "display/Zoom.h"
#include "model/NuminoSchema.h"

namespace {

using numino::geometry::CellLeft;
using numino::geometry::CellTop;
using numino::geometry::kClientSize;

// Qt 6.8 brought announcements, and the Orca of its Debian speaks a name
// change of the cell it is on; before it, a cell told again is a new
// object (BoardAccessible::Announce).
constexpr bool kRenewsCells = QT_VERSION < QT_VERSION_CHECK(6, 8, 0);

// The board's row or column (1..9) of a child index.
std::int16_t RowOf(int index) {
  return static_cast<std::int16_t>(index / BoardAccessible::kSide + 1);
}
std::int16_t ColOf(int index) {
  return static_cast<std::int16_t>(index % BoardAccessible::kSide + 1);
}

QString Describe(int index, const numino::CellView& view) {
  return QString::fromStdString(numino::DescribeCell(RowOf(index), ColOf(index), view));
}

// One cell of the board. It has no object: it reads everything through the
// table, which outlives it.
class BoardCellAccessible : public QAccessibleInterface, public QAccessibleTableCellInterface {
 public:
  BoardCellAccessible(BoardAccessible* table, int index) : table_(table), index_(index) {}

  bool isValid() const override { return table_->isValid(); }
  QObject* object() const override { return nullptr; }
  QWindow* window() const override { return table_->window(); }
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }
  QAccessibleInterface* parent() const override { return table_; }
  QAccessibleInterface* child(int) const override { return nullptr; }
  int childCount() const override { return 0; }
  int indexOfChild(const QAccessibleInterface*) const override { return -1; }
  QString text(QAccessible::Text t) const override {
    return t == QAccessible::Name ? table_->CellName(index_) : QString();
  }
  void setText(QAccessible::Text, const QString&) override {}
  QRect rect() const override { return table_->CellRect(index_); }
  QAccessible::Role role() const override { return QAccessible::Cell; }
  QAccessible::State state() const override {
    QAccessible::State state;
    state.focusable = true;
    state.focused = table_->IsCurrent(index_);
    state.invisible = table_->state().invisible;
    return state;
  }
  void* interface_cast(QAccessible::InterfaceType t) override {
    if (t == QAccessible::TableCellInterface) {
      return static_cast<QAccessibleTableCellInterface*>(this);
    }
    return nullptr;
  }

  bool isSelected() const override { return false; }
  QList<QAccessibleInterface*> columnHeaderCells() const override { return {}; }
  QList<QAccessibleInterface*> rowHeaderCells() const override { return {}; }
  int columnIndex() const override { return index_ % BoardAccessible::kSide; }
  int rowIndex() const override { return index_ / BoardAccessible::kSide; }
  int columnExtent() const override { return 1; }
  int rowExtent() const override { return 1; }
  QAccessibleInterface* table() const override { return table_; }

 private:
  BoardAccessible* table_;
  int index_;
};

SchemaOfBoard schemaOfBoard = nullptr;  // set once, at start-up

QAccessibleInterface* BoardFactory(const QString& /*className*/, QObject* object) {
  const numino::NuminoSchema* schema = schemaOfBoard ? schemaOfBoard(object) : nullptr;
  return schema ? new BoardAccessible(static_cast<QWidget*>(object), *schema) : nullptr;
}

BoardAccessible* TableOf(QWidget& board) {
  return dynamic_cast<BoardAccessible*>(QAccessible::queryAccessibleInterface(&board));
}

}  // namespace

BoardAccessible::BoardAccessible(QWidget* board, const numino::NuminoSchema& schema)
    : QAccessibleWidget(board, QAccessible::Table), schema_(schema) {
  for (int i = 0; i < kCells; ++i) {
    cellIds_[i] = QAccessible::registerAccessibleInterface(new BoardCellAccessible(this, i));
    toldViews_[i] = ViewOf(i);
    told_[i] = Describe(i, toldViews_[i]);
  }
  toldCurrent_ = CurrentIndex();
}

BoardAccessible::~BoardAccessible() {
  for (const QAccessible::Id id : cellIds_) QAccessible::deleteAccessibleInterface(id);
}

int BoardAccessible::CurrentIndex() const {
  const int row = schema_.currentRow;
  const int col = schema_.currentCol;
  if (row < 1 || row > kSide || col < 1 || col > kSide) return -1;
  return (row - 1) * kSide + (col - 1);
}

numino::CellView BoardAccessible::ViewOf(int index) const {
  return schema_.ViewOf(RowOf(index), ColOf(index));
}

QString BoardAccessible::CellName(int index) const {
  if (index < 0 || index >= kCells) return {};
  return Describe(index, ViewOf(index));
}

// From grid line to grid line, in screen pixels. The widget may be drawn
// larger than the board's own pixels, so the layout is scaled to its width.
QRect BoardAccessible::CellRect(int index) const {
  const QWidget* board = widget();
  const double zoom = board->width() / static_cast<double>(kClientSize);
  const int row = RowOf(index);
  const int col = ColOf(index);
  const QPoint topLeft(qRound(CellLeft(col) * zoom), qRound(CellTop(row) * zoom));
  const QPoint past(qRound(CellLeft(col + 1) * zoom), qRound(CellTop(row + 1) * zoom));
  return QRect(board->mapToGlobal(topLeft), board->mapToGlobal(past - QPoint(1, 1)));
}

QString BoardAccessible::text(QAccessible::Text t) const {
  if (t == QAccessible::Name) return QStringLiteral("Schema");
  return QAccessibleWidget::text(t);
}

QAccessibleInterface* BoardAccessible::child(int index) const {
  if (index < 0 || index >= kCells) return nullptr;
  return QAccessible::accessibleInterface(cellIds_[index]);
}

int BoardAccessible::indexOfChild(const QAccessibleInterface* child) const {
  for (int i = 0; i < kCells; ++i) {
    if (QAccessible::accessibleInterface(cellIds_[i]) == child) return i;
  }
  return -1;
}

QAccessibleInterface* BoardAccessible::childAt(int x, int y) const {
  const QWidget* board = widget();
  const double zoom = board->width() / static_cast<double>(kClientSize);
  const QPoint local = board->mapFromGlobal(QPoint(x, y));
  const int row = schema_.MapY(numino::zoom::BoardPixel(local.y(), zoom));
  const int col = schema_.MapX(numino::zoom::BoardPixel(local.x(), zoom));
  if (row == 0 || col == 0) return nullptr;
  return child((row - 1) * kSide + (col - 1));
}

QAccessibleInterface* BoardAccessible::focusChild() const {
  const int current = CurrentIndex();
  return current < 0 ? nullptr : child(current);
}

void* BoardAccessible::interface_cast(QAccessible::InterfaceType t) {
  if (t == QAccessible::TableInterface) return static_cast<QAccessibleTableInterface*>(this);
  return QAccessibleWidget::interface_cast(t);
}

QAccessibleInterface* BoardAccessible::cellAt(int row, int column) const {
  row = std::clamp(row, 0, kSide - 1);
  column = std::clamp(column, 0, kSide - 1);
  return child(row * kSide + column);
}

// The new interface is registered while the old one still holds its id,
// so that no Qt version can hand that id back: a screen reader would take
// the cell for the object it is on, and say nothing.
void BoardAccessible::Renew(int index, EventSink send) {
  const QAccessible::Id old = cellIds_[index];
  cellIds_[index] = QAccessible::registerAccessibleInterface(new BoardCellAccessible(this, index));
  QAccessibleEvent gone(QAccessible::accessibleInterface(old), QAccessible::ObjectDestroyed);
  send(&gone);
  QAccessible::deleteAccessibleInterface(old);
}

// As Qt's own item views do: the focus moves within the board only while
// the board has it. Without the focus, the current cell is told like the
// others, by a name change.
void BoardAccessible::Announce(EventSink send, bool retell) {
  const int current = CurrentIndex();
  const bool focused = current >= 0 && widget()->hasFocus();
  bool changed = false;
  for (int i = 0; i < kCells; ++i) {
    const numino::CellView view = ViewOf(i);
    if (view == toldViews_[i]) continue;
    toldViews_[i] = view;
    QString name = Describe(i, view);
    if (name == told_[i]) continue;
    told_[i] = std::move(name);
    if (focused && i == current) {
      changed = true;
      continue;
    }
    QAccessibleEvent event(child(i), QAccessible::NameChanged);
    send(&event);
  }
  // With Qt 6.8 the current cell's own change goes out too, after the
  // others': Orca speaks it where the focus stays on the cell.
  if (changed && !kRenewsCells) {
    QAccessibleEvent event(child(current), QAccessible::NameChanged);
    send(&event);
  }
  const bool moved = current != toldCurrent_;
  toldCurrent_ = current;
  const bool cameIn = focusUntold_;
  if (!focused || !(moved || changed || retell || cameIn)) return;
  focusUntold_ = false;
  if (!kRenewsCells && !moved && !cameIn) {
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    // On the cell already: a changed name has been told by its change.
    if (changed) return;
    QAccessibleAnnouncementEvent again(child(current), told_[current]);
    send(&again);
#endif
    return;
  }
  // A cell the focus moves to is new to the screen reader already.
  if (kRenewsCells && !moved) Renew(current, send);
  QAccessibleEvent event(widget(), QAccessible::Focus);
  event.setChild(current);
  send(&event);
}

void InstallBoardAccessibility(SchemaOfBoard schemaOf) {
  schemaOfBoard = schemaOf;
  QAccessible::installFactory(BoardFactory);
}

void AnnounceBoardChanges(QWidget& board, bool retell) {
  if (!QAccessible::isActive()) return;
  if (BoardAccessible* table = TableOf(board)) {
    table->Announce(&QAccessible::updateAccessibility, retell);
  }
}

// Qt sends its own focus event, for the table, after the widget's focus-in
// handler has run; the cell's must come after it. An input that tells the
// cell first, as a paste after its question, leaves nothing to tell.
//
// A menu command that opens a dialog gives the board the focus back as the
// menu closes, just before the dialog takes it: by the time the cell would
// be told, the dialog is up, and the cell waits until the board has the
// focus again.
void AnnounceBoardFocus(QWidget& board) {
  if (!QAccessible::isActive()) return;
  BoardAccessible* table = TableOf(board);
  if (table == nullptr) return;
  table->FocusCameIn();
  QTimer::singleShot(0, &board, [&board] {
    if (QApplication::activeModalWidget() == nullptr) AnnounceBoardChanges(board);
  });
}
