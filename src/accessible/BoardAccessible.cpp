#include "accessible/BoardAccessible.h"

#include <QAccessibleTableCellInterface>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cmath>

#include "display/BoardGeometry.h"
#include "display/CellView.h"
#include "model/NuminoSchema.h"

namespace {

using numino::geometry::kBoardEnd;
using numino::geometry::kBoardOrigin;
using numino::geometry::kCellPitch;
using numino::geometry::kClientSize;

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

// The 0-based row or column under a logical board pixel; -1 off the grid.
int LineAt(double p) {
  if (p < kBoardOrigin || p >= kBoardEnd) return -1;
  return static_cast<int>(std::floor((p - kBoardOrigin) / kCellPitch));
}

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
    told_[i] = CellName(i);
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

QString BoardAccessible::CellName(int index) const {
  if (index < 0 || index >= kCells) return {};
  const auto row = static_cast<std::int16_t>(index / kSide + 1);
  const auto col = static_cast<std::int16_t>(index % kSide + 1);
  return QString::fromStdString(numino::DescribeCell(row, col, schema_.ViewOf(row, col)));
}

// From grid line to grid line, in screen pixels. The widget may be drawn
// larger than the board's own pixels, so the layout is scaled to its width.
QRect BoardAccessible::CellRect(int index) const {
  const QWidget* board = widget();
  const double scale = board->width() / static_cast<double>(kClientSize);
  const int left = kBoardOrigin + (index % kSide) * kCellPitch;
  const int top = kBoardOrigin + (index / kSide) * kCellPitch;
  const QPoint topLeft(qRound(left * scale), qRound(top * scale));
  const QPoint past(qRound((left + kCellPitch) * scale), qRound((top + kCellPitch) * scale));
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
  const double scale = board->width() / static_cast<double>(kClientSize);
  const QPoint local = board->mapFromGlobal(QPoint(x, y));
  const int row = LineAt(local.y() / scale);
  const int col = LineAt(local.x() / scale);
  if (row < 0 || col < 0) return nullptr;
  return child(row * kSide + col);
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

void BoardAccessible::Renew(int index) {
  QAccessible::deleteAccessibleInterface(cellIds_[index]);
  cellIds_[index] = QAccessible::registerAccessibleInterface(new BoardCellAccessible(this, index));
}

// As Qt's own item views do: the focus moves within the board only while
// the board has it. Without the focus, the current cell is told like the
// others, by a name change.
void BoardAccessible::Announce(EventSink send, bool retell) {
  const int current = CurrentIndex();
  const bool focused = current >= 0 && widget()->hasFocus();
  retell = retell || focusUntold_;
  bool changed = false;
  for (int i = 0; i < kCells; ++i) {
    QString name = CellName(i);
    if (name == told_[i]) continue;
    told_[i] = std::move(name);
    if (focused && i == current) {
      changed = true;
      continue;
    }
    QAccessibleEvent event(child(i), QAccessible::NameChanged);
    send(&event);
  }
  const bool moved = current != toldCurrent_;
  toldCurrent_ = current;
  if (!focused || !(moved || changed || retell)) return;
  // A cell the focus moves to is new to the screen reader already.
  if (!moved) Renew(current);
  focusUntold_ = false;
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
void AnnounceBoardFocus(QWidget& board) {
  if (!QAccessible::isActive()) return;
  BoardAccessible* table = TableOf(board);
  if (table == nullptr) return;
  table->FocusCameIn();
  QTimer::singleShot(0, &board, [&board] { AnnounceBoardChanges(board); });
}
