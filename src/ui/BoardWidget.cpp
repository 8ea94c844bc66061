#include "ui/BoardWidget.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

#include "display/BoardGeometry.h"
#include "input/InputCodes.h"
#include "ui/BoardAccessible.h"
#include "ui/BoardFont.h"
#include "ui/KeyMapping.h"

namespace {

constexpr int kSide = numino::geometry::kClientSize;  // 240

std::int16_t ButtonCode(Qt::MouseButton button) {
  switch (button) {
    case Qt::LeftButton:
      return numino::input::kButtonLeft;
    case Qt::RightButton:
      return numino::input::kButtonRight;
    case Qt::MiddleButton:
      return numino::input::kButtonMiddle;
    default:
      return 0;
  }
}

}  // namespace

BoardWidget::BoardWidget(QWidget* parent) : QWidget(parent) {
  setFixedSize(kSide, kSide);
  setFocusPolicy(Qt::StrongFocus);
  // The image covers every pixel of the widget, so Qt need not erase first.
  setAttribute(Qt::WA_OpaquePaintEvent);
  surface_ = std::make_unique<QImageSurface>(QSize(kSide, kSide), devicePixelRatioF(), palette(),
                                             BoardFont());
  InstallBoardAccessibility();
}

BoardWidget::~BoardWidget() = default;

QImageSurface& BoardWidget::Surface() { return *surface_; }

void BoardWidget::ShowDrawing() {
  const QRect dirty = surface_->TakeDirtyRect();
  if (!dirty.isEmpty()) update(dirty);
}

// Only copies pixels: the image already holds the whole picture. A ratio
// that changed without a change of screen is caught here at the latest.
void BoardWidget::paintEvent(QPaintEvent* event) {
  FollowDevicePixelRatio();
  const QImage& image = surface_->Image();
  const qreal ratio = image.devicePixelRatio();
  const QRect target = event->rect();
  const QRectF source(target.x() * ratio, target.y() * ratio, target.width() * ratio,
                      target.height() * ratio);
  QPainter painter(this);
  painter.drawImage(QRectF(target), image, source);
}

void BoardWidget::keyPressEvent(QKeyEvent* event) {
  if (event->matches(QKeySequence::Copy)) {
    event->accept();
    emit CopyRequested();
    return;
  }
  if (event->matches(QKeySequence::Paste)) {
    event->accept();
    emit PasteRequested();
    return;
  }
  const RoutedKey key = MapKey(event->key(), event->text(), event->modifiers());
  if (key.keyCode == 0 && key.keyAscii == 0) {
    QWidget::keyPressEvent(event);
    return;
  }
  event->accept();
  if (key.keyCode != 0) emit KeyDown(key.keyCode);
  if (key.keyAscii != 0) emit KeyPress(key.keyAscii);
}

// The button that was released, not the ones still held; modifiers are
// not passed on. Positions off the board go through as they are.
void BoardWidget::mouseReleaseEvent(QMouseEvent* event) {
  const std::int16_t button = ButtonCode(event->button());
  if (button == 0) {
    QWidget::mouseReleaseEvent(event);
    return;
  }
  const QPointF position = event->position();
  emit MouseUp(button, qRound(position.x()), qRound(position.y()));
}

// Tab and Backtab are redo keys here, never focus moves.
bool BoardWidget::focusNextPrevChild(bool /*next*/) { return false; }

bool BoardWidget::event(QEvent* event) {
  // Sent when the window moves to another screen, whose pixel ratio may differ.
  if (event->type() == QEvent::ScreenChangeInternal) FollowDevicePixelRatio();
  // Sent when the desktop's theme, or the window's palette, changes.
  if (event->type() == QEvent::PaletteChange) FollowPalette();
  return QWidget::event(event);
}

void BoardWidget::FollowPalette() {
  if (!surface_->SetPalette(palette())) return;
  emit ImageRemade();
  update();
}

void BoardWidget::FollowDevicePixelRatio() {
  const qreal ratio = devicePixelRatioF();
  if (qFuzzyCompare(ratio, surface_->Image().devicePixelRatio())) return;
  surface_->SetDevicePixelRatio(ratio);
  emit ImageRemade();
  update();
}
