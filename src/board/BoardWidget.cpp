#include "board/BoardWidget.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLayout>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QWheelEvent>
#include <QtMath>

#include <optional>

#include "board/BoardFont.h"
#include "board/KeyMapping.h"
#include "display/BoardGeometry.h"
#include "display/Zoom.h"
#include "input/InputCodes.h"

namespace {

constexpr int kSide = numino::geometry::kClientSize;  // 240
constexpr int kWheelNotch = 120;                      // QWheelEvent::angleDelta of one notch

int SideAt(qreal zoom) { return qRound(kSide * zoom); }

// What a key press asks of the zoom: 1 a step up, -1 a step down, 0 back
// to 1; nullopt for any other key. Ctrl alone, or with Shift for the
// layouts that type + or 0 with it; on the main row or the keypad.
std::optional<int> ZoomKey(const QKeyEvent& event) {
  const Qt::KeyboardModifiers modifiers =
      event.modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier);
  if (modifiers != Qt::ControlModifier) return std::nullopt;
  switch (event.key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal:
      return 1;
    case Qt::Key_Minus:
      return -1;
    case Qt::Key_0:
      return 0;
    default:
      return std::nullopt;
  }
}

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
}

BoardWidget::~BoardWidget() = default;

QImageSurface& BoardWidget::Surface() { return *surface_; }

void BoardWidget::ShowDrawing() {
  const QRect dirty = surface_->DeviceRect(surface_->TakeDirtyRect());
  if (dirty.isEmpty()) return;
  const qreal ratio = ImageToWidget();
  update(QRectF(dirty.x() / ratio, dirty.y() / ratio, dirty.width() / ratio, dirty.height() / ratio)
             .toAlignedRect());
}

qreal BoardWidget::ImageToWidget() const {
  return static_cast<qreal>(surface_->DeviceRect(QRect(0, 0, kSide, kSide)).width()) /
         SideAt(zoom_);
}

void BoardWidget::SetZoom(qreal zoom) {
  if (zoom == zoom_) return;
  zoom_ = zoom;
  setFixedSize(SideAt(zoom_), SideAt(zoom_));
  // The window follows now, not once the event loop gets to it, so that the
  // next step measures the window as it is.
  if (QWidget* top = window(); top != this && top->layout()) top->layout()->activate();
  surface_->SetDevicePixelRatio(devicePixelRatioF() * zoom_);
  emit ImageRemade();
  update();
}

bool BoardWidget::Fits(qreal zoom) const {
  const QWidget* top = window();
  const QScreen* screen = top->screen();
  if (screen == nullptr) return false;
  // Frame and title included once the window is shown.
  const QSize now = top->isVisible() ? top->frameGeometry().size() : top->sizeHint();
  const int grow = SideAt(zoom) - width();
  const QSize available = screen->availableGeometry().size();
  return now.width() + grow <= available.width() && now.height() + grow <= available.height();
}

QPoint BoardWidget::BoardPoint(QPointF position, qreal zoom) {
  return QPoint(numino::zoom::BoardPixel(position.x(), zoom),
                numino::zoom::BoardPixel(position.y(), zoom));
}

void BoardWidget::StepZoom(int direction) {
  const qreal zoom = direction == 0 ? 1 : numino::zoom::Next(zoom_, direction);
  if (zoom == zoom_ || (zoom > zoom_ && !Fits(zoom))) return;
  SetZoom(zoom);
  emit ZoomChanged(zoom_);
}

// Only copies pixels: the image already holds the whole picture. A ratio
// that changed without a change of screen is caught here at the latest.
void BoardWidget::paintEvent(QPaintEvent* event) {
  FollowDevicePixelRatio();
  const QImage& image = surface_->Image();
  const qreal ratio = ImageToWidget();
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
  if (const std::optional<int> zoom = ZoomKey(*event)) {
    event->accept();
    StepZoom(*zoom);
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
  const QPoint at = BoardPoint(event->position(), zoom_);
  emit MouseUp(button, at.x(), at.y());
}

// Ctrl and the wheel zoom, a step a notch; a wheel that reports finer
// turns adds them up to a notch. Without Ctrl the wheel does nothing.
void BoardWidget::wheelEvent(QWheelEvent* event) {
  if (event->modifiers() != Qt::ControlModifier) {
    wheelAngle_ = 0;
    QWidget::wheelEvent(event);
    return;
  }
  event->accept();
  const int delta = event->angleDelta().y();
  if ((delta > 0 && wheelAngle_ < 0) || (delta < 0 && wheelAngle_ > 0)) wheelAngle_ = 0;
  wheelAngle_ += delta;
  for (; wheelAngle_ >= kWheelNotch; wheelAngle_ -= kWheelNotch) StepZoom(1);
  for (; wheelAngle_ <= -kWheelNotch; wheelAngle_ += kWheelNotch) StepZoom(-1);
}

// Tab and Backtab are redo keys here, never focus moves.
bool BoardWidget::focusNextPrevChild(bool /*next*/) { return false; }

void BoardWidget::focusInEvent(QFocusEvent* event) {
  QWidget::focusInEvent(event);
  emit FocusEntered();
}

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
  const qreal scale = devicePixelRatioF() * zoom_;
  if (qFuzzyCompare(scale, surface_->Scale())) return;
  surface_->SetDevicePixelRatio(scale);
  emit ImageRemade();
  update();
}
