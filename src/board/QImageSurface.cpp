#include "board/QImageSurface.h"

#include <QFontMetrics>
#include <QFontMetricsF>
#include <QPainter>
#include <QString>
#include <algorithm>
#include <array>
#include <cassert>
#include <cmath>
#include <optional>
#include <utility>

#include "display/BoardScale.h"

using numino::BoardScale;
using numino::Colour;

namespace {

// What the board needs to know about a one-character text in one weight:
// its advance, and the logical area its ink can reach when printed at (0, 0).
struct GlyphMeasure {
  double width = 0;
  QRect area;
};

// A rectangle in logical pixels with both corners included; empty when
// left > right.
struct Span {
  int left = 0, top = 0, right = -1, bottom = -1;

  bool IsEmpty() const { return left > right || top > bottom; }
  void Unite(int x1, int y1, int x2, int y2) {
    if (IsEmpty()) {
      *this = {x1, y1, x2, y2};
      return;
    }
    left = std::min(left, x1);
    top = std::min(top, y1);
    right = std::max(right, x2);
    bottom = std::max(bottom, y2);
  }
};

// The board prints one digit at a time, so every text it measures or prints
// is a single ASCII character.
bool IsOneCharacter(std::string_view text) {
  return text.size() == 1 && static_cast<unsigned char>(text[0]) < 128;
}

}  // namespace

struct QImageSurface::State {
  QSize logicalSize;
  qreal scale = 1;  // device pixels per logical pixel
  // Where each logical pixel starts in the image, on each axis.
  BoardScale xEdges{0, 1};
  BoardScale yEdges{0, 1};
  QImage image;

  QRgb base = 0;        // system colour 5
  QRgb buttonText = 0;  // system colour 18
  QRgb window = 0;      // what Clear paints

  Colour fill = Colour::System(Colour::kWindowBackground);
  Colour fore = Colour::System(Colour::kButtonText);

  QFont font;
  QFontMetricsF metricsF{QFont()};
  int ascent = 0;
  int height = 0;
  // Indexed by the character code of the text; filled on first use and
  // forgotten when the font changes.
  std::array<std::optional<GlyphMeasure>, 128> glyphs{};

  // Text goes through a painter that stays open between prints and is ended
  // before the image is handed out. Lines and boxes bypass it and write the
  // image memory directly; the raster engine paints into that same memory,
  // so the order of the calls is kept.
  QPainter painter;
  QRgb painterPen = 0;

  Span dirty;

  // The board draws in two system colours only, 5 and 18.
  QRgb Resolve(Colour colour) const {
    if (colour.IsSystem()) {
      assert(colour.SystemIndex() == Colour::kWindowBackground ||
             colour.SystemIndex() == Colour::kButtonText);
      return colour.SystemIndex() == Colour::kWindowBackground ? base : buttonText;
    }
    return qRgb(colour.Red(), colour.Green(), colour.Blue());
  }

  void TakeColours(const QPalette& palette) {
    base = palette.color(QPalette::Base).rgb();
    buttonText = palette.color(QPalette::ButtonText).rgb();
    window = palette.color(QPalette::Window).rgb();
  }

  void EndText() {
    if (painter.isActive()) painter.end();
  }

  void MakeImage() {
    EndText();
    xEdges = BoardScale(logicalSize.width(), scale);
    yEdges = BoardScale(logicalSize.height(), scale);
    image = QImage(xEdges.DeviceLength(), yEdges.DeviceLength(), QImage::Format_RGB32);
    // Text is drawn through a painter, which takes its scale from here.
    image.setDevicePixelRatio(std::max<qreal>(1, scale));
    image.fill(window);
    dirty = {0, 0, logicalSize.width() - 1, logicalSize.height() - 1};
  }

  void SetFont(const QFont& newFont) {
    EndText();
    font = newFont;
    metricsF = QFontMetricsF(font);
    const QFontMetrics metrics(font);
    ascent = metrics.ascent();
    height = metrics.height();
    glyphs.fill(std::nullopt);
  }

  // Fills the logical rectangle with both corners included, clipped to the
  // image, by writing the pixels directly.
  void Fill(int x1, int y1, int x2, int y2, QRgb rgb) {
    if (x1 > x2) std::swap(x1, x2);
    if (y1 > y2) std::swap(y1, y2);
    x1 = std::max(x1, 0);
    y1 = std::max(y1, 0);
    x2 = std::min(x2, logicalSize.width() - 1);
    y2 = std::min(y2, logicalSize.height() - 1);
    if (x1 > x2 || y1 > y2) return;
    dirty.Unite(x1, y1, x2, y2);

    const int left = xEdges.Edge(x1);
    const int count = xEdges.Edge(x2 + 1) - left;
    const int top = yEdges.Edge(y1);
    const int bottom = yEdges.Edge(y2 + 1);
    const qsizetype stride = image.bytesPerLine();
    uchar* line = image.bits() + top * stride;
    for (int y = top; y < bottom; ++y, line += stride) {
      std::fill_n(reinterpret_cast<QRgb*>(line) + left, count, rgb);
    }
  }

  const GlyphMeasure& Measure(unsigned char c) {
    std::optional<GlyphMeasure>& slot = glyphs[c];
    if (!slot) slot = MeasureText(QString(QLatin1Char(static_cast<char>(c))));
    return *slot;
  }

  GlyphMeasure MeasureText(const QString& text) const {
    GlyphMeasure m;
    m.width = metricsF.horizontalAdvance(text);
    // The ink of a glyph may overhang its advance, and antialiasing can touch
    // one more pixel on every side.
    const QRectF ink = metricsF.boundingRect(text).translated(0, ascent);
    const QRectF line(0, 0, m.width, height);
    const QRectF both = ink.united(line);
    m.area = QRect(QPoint(static_cast<int>(std::floor(both.left())) - 1,
                          static_cast<int>(std::floor(both.top())) - 1),
                   QPoint(static_cast<int>(std::ceil(both.right())) + 1,
                          static_cast<int>(std::ceil(both.bottom())) + 1));
    return m;
  }
};

QImageSurface::QImageSurface(QSize logicalSize, qreal devicePixelRatio, const QPalette& palette,
                             const QFont& font)
    : d_(new State) {
  d_->logicalSize = logicalSize;
  d_->scale = devicePixelRatio;
  d_->TakeColours(palette);
  QFont boardFont = font;
  // Grey antialiasing: colour fringes would depend on the screen the image
  // is finally shown on.
  boardFont.setStyleStrategy(QFont::NoSubpixelAntialias);
  d_->SetFont(boardFont);
  d_->MakeImage();
}

QImageSurface::~QImageSurface() {
  d_->EndText();
  delete d_;
}

const QImage& QImageSurface::Image() {
  d_->EndText();
  return d_->image;
}

QRect QImageSurface::TakeDirtyRect() {
  const Span span = std::exchange(d_->dirty, Span{});
  if (span.IsEmpty()) return {};
  return QRect(QPoint(span.left, span.top), QPoint(span.right, span.bottom));
}

void QImageSurface::SetDevicePixelRatio(qreal ratio) {
  d_->scale = ratio;
  d_->MakeImage();
}

qreal QImageSurface::Scale() const { return d_->scale; }

QRect QImageSurface::DeviceRect(const QRect& logical) const {
  if (logical.isEmpty()) return {};
  const QRect clipped = logical.intersected(QRect(QPoint(0, 0), d_->logicalSize));
  if (clipped.isEmpty()) return {};
  const int left = d_->xEdges.Edge(clipped.left());
  const int top = d_->yEdges.Edge(clipped.top());
  return QRect(left, top, d_->xEdges.Edge(clipped.right() + 1) - left,
               d_->yEdges.Edge(clipped.bottom() + 1) - top);
}

bool QImageSurface::SetPalette(const QPalette& palette) {
  const std::array<QRgb, 3> before = {d_->base, d_->buttonText, d_->window};
  d_->TakeColours(palette);
  if (before == std::array<QRgb, 3>{d_->base, d_->buttonText, d_->window}) {
    return false;
  }
  d_->MakeImage();
  return true;
}

void QImageSurface::Clear() {
  const QSize size = d_->logicalSize;
  d_->Fill(0, 0, size.width() - 1, size.height() - 1, d_->window);
}

void QImageSurface::SetWindowSize(int width, int height) {
  if (onWindowSize) onWindowSize(width, height);
}

void QImageSurface::SetFillColor(Colour colour) { d_->fill = colour; }

Colour QImageSurface::FillColor() const { return d_->fill; }

void QImageSurface::SetForeColor(Colour colour) { d_->fore = colour; }

// A horizontal or vertical line is a one-pixel-wide box.
void QImageSurface::Line(int x1, int y1, int x2, int y2) {
  assert(x1 == x2 || y1 == y2);
  d_->Fill(x1, y1, x2, y2, d_->Resolve(d_->fore));
}

void QImageSurface::Box(int x1, int y1, int x2, int y2) { Box(x1, y1, x2, y2, d_->fore); }

void QImageSurface::Box(int x1, int y1, int x2, int y2, Colour outline) {
  if (x1 > x2) std::swap(x1, x2);
  if (y1 > y2) std::swap(y1, y2);
  const QRgb rgb = d_->Resolve(outline);
  d_->Fill(x1, y1, x2, y1, rgb);
  d_->Fill(x1, y2, x2, y2, rgb);
  d_->Fill(x1, y1, x1, y2, rgb);
  d_->Fill(x2, y1, x2, y2, rgb);
  if (x2 - x1 >= 2 && y2 - y1 >= 2) d_->Fill(x1 + 1, y1 + 1, x2 - 1, y2 - 1, d_->Resolve(d_->fill));
}

void QImageSurface::FilledBox(int x1, int y1, int x2, int y2, Colour colour) {
  d_->Fill(x1, y1, x2, y2, d_->Resolve(colour));
}

void QImageSurface::SetFontBold() {
  if (d_->font.bold()) return;
  QFont bold = d_->font;
  bold.setBold(true);
  d_->SetFont(bold);
}

double QImageSurface::TextWidth(std::string_view text) const {
  assert(IsOneCharacter(text));
  if (!IsOneCharacter(text)) return 0;
  return d_->Measure(static_cast<unsigned char>(text[0])).width;
}

double QImageSurface::TextHeight(std::string_view) const { return d_->height; }

void QImageSurface::Print(int x, int y, std::string_view text) {
  assert(IsOneCharacter(text));
  if (!IsOneCharacter(text)) return;
  const QRect area = d_->Measure(static_cast<unsigned char>(text[0])).area.translated(x, y);
  const QRect visible = area.intersected(QRect(QPoint(0, 0), d_->logicalSize));
  if (visible.isEmpty()) return;
  d_->dirty.Unite(visible.left(), visible.top(), visible.right(), visible.bottom());

  QPainter& painter = d_->painter;
  const QRgb pen = d_->Resolve(d_->fore);
  if (!painter.isActive()) {
    painter.begin(&d_->image);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.setFont(d_->font);
    painter.setPen(QColor::fromRgb(pen));
    d_->painterPen = pen;
  } else if (pen != d_->painterPen) {
    painter.setPen(QColor::fromRgb(pen));
    d_->painterPen = pen;
  }
  painter.drawText(QPointF(x, y + d_->ascent), QString(QLatin1Char(text[0])));
}
