// Draws the pictures of the message dialog and the About box:
//   OOPS_PICTURE.png       75 x 119, a warning sign with a banana peel at its foot
//                          (transparent where the dialog shows through)
//   ABOUT_TOP_STRIP.png    8 frames of 299 x 52: a window band that slides up
//                          under the top edge until a thin strip remains;
//                          pure red wherever the box's background should show
//   ABOUT_SIDE_STRIP.png   11 frames of 82 x 192: a tall tool window that slides
//                          off to the right edge; pure green for the background
// Played forward and back, the strips swing between "shown" and "tucked away".
//
// Usage: art_dialog_art <resources folder>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "ArtCommon.h"

namespace {

// Smooth start and stop for a slide: t in [0, 1] -> [0, 1].
double Ease(double t) { return 0.5 - 0.5 * std::cos(t * M_PI); }

using art::KeyOnto;

QImage Canvas(int w, int h) {
  QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
  img.fill(Qt::transparent);
  return img;
}

void TitleBar(QPainter& p, const QRectF& r, const QString& title, int buttons) {
  QLinearGradient g(r.topLeft(), r.topRight());
  g.setColorAt(0, QColor(0, 0, 128));
  g.setColorAt(1, QColor(16, 132, 208));
  p.fillRect(r, g);
  QFont f(QStringLiteral("Liberation Sans"));
  f.setPixelSize(int(r.height()) - 3);
  f.setBold(true);
  p.setFont(f);
  p.setPen(Qt::white);
  p.drawText(r.adjusted(4, 0, -4, 0), Qt::AlignVCenter | Qt::AlignLeft, title);
  // The caption buttons.
  const double s = r.height() - 4;
  for (int i = 0; i < buttons; ++i) {
    QRectF b(r.right() - 3 - (i + 1) * (s + 2), r.top() + 2, s, s);
    p.fillRect(b, QColor(192, 192, 192));
    p.setPen(Qt::white);
    p.drawLine(b.topLeft(), b.topRight());
    p.drawLine(b.topLeft(), b.bottomLeft());
    p.setPen(QColor(64, 64, 64));
    p.drawLine(b.bottomLeft(), b.bottomRight());
    p.drawLine(b.topRight(), b.bottomRight());
  }
}

void Raised(QPainter& p, const QRectF& r) {
  p.fillRect(r, QColor(192, 192, 192));
  p.setPen(QColor(255, 255, 255));
  p.drawLine(r.topLeft(), r.topRight());
  p.drawLine(r.topLeft(), r.bottomLeft());
  p.setPen(QColor(96, 96, 96));
  p.drawLine(r.bottomLeft(), r.bottomRight());
  p.drawLine(r.topRight(), r.bottomRight());
}

// The band of a development environment's main window, 291 x 44 at (x, y).
void MainBand(QPainter& p, double x, double y) {
  const QRectF band(x, y, 291, 44);
  Raised(p, band);
  TitleBar(p, QRectF(x + 2, y + 2, 287, 12), QStringLiteral("Project1"), 3);
  // Menu words.
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(40, 40, 40));
  double mx = x + 6;
  for (int w : {14, 12, 20, 16, 22, 18, 14}) {
    p.drawRect(QRectF(mx, y + 17, w, 3));
    mx += w + 7;
  }
  // Tool buttons, then a tabbed component palette.
  const QColor icons[] = {QColor(220, 180, 40), QColor(40, 140, 40), QColor(30, 90, 200),
                          QColor(200, 40, 40), QColor(120, 60, 170), QColor(0, 140, 140)};
  for (int i = 0; i < 6; ++i) {
    QRectF b(x + 5 + i * 14, y + 24, 12, 12);
    Raised(p, b);
    p.setPen(Qt::NoPen);
    p.setBrush(icons[i]);
    p.drawEllipse(b.adjusted(3, 3, -3, -3));
  }
  p.setPen(QColor(96, 96, 96));
  p.setBrush(QColor(212, 212, 212));
  p.drawRect(QRectF(x + 92, y + 23, 192, 15));
  for (int i = 0; i < 11; ++i) {
    p.setPen(Qt::NoPen);
    p.setBrush(icons[(i * 5) % 6]);
    p.drawRect(QRectF(x + 96 + i * 17, y + 26, 10, 10));
  }
}

// A tall tool window: a title bar and a grid of name / value rows, 66 x 176.
void ToolWindow(QPainter& p, double x, double y) {
  const QRectF win(x, y, 66, 176);
  Raised(p, win);
  TitleBar(p, QRectF(x + 2, y + 2, 62, 12), QStringLiteral("Props"), 1);
  const QRectF grid(x + 4, y + 30, 58, 142);
  p.fillRect(QRectF(x + 4, y + 17, 58, 10), Qt::white);
  p.fillRect(grid, Qt::white);
  p.setPen(QColor(160, 160, 160));
  for (int i = 1; i < 13; ++i) p.drawLine(QPointF(grid.left(), grid.top() + i * 11), QPointF(grid.right(), grid.top() + i * 11));
  p.drawLine(QPointF(grid.left() + 27, grid.top()), QPointF(grid.left() + 27, grid.bottom()));
  p.setPen(Qt::NoPen);
  for (int i = 0; i < 13; ++i) {
    p.setBrush(QColor(0, 0, 0));
    p.drawRect(QRectF(grid.left() + 3, grid.top() + i * 11 + 4, 8 + (i * 7) % 14, 3));
    p.setBrush(QColor(0, 0, 160));
    p.drawRect(QRectF(grid.left() + 31, grid.top() + i * 11 + 4, 6 + (i * 11) % 18, 3));
  }
}

QImage OopsPicture() {
  QImage img = Canvas(75, 119);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  // Post and its foot.
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(110, 110, 118));
  p.drawRoundedRect(QRectF(34, 56, 7, 56), 2, 2);
  p.setBrush(QColor(60, 60, 66));
  p.drawEllipse(QRectF(22, 108, 31, 9));
  // The sign.
  const QPainterPath tri = art::Polygon({{37.5, 3}, {72, 62}, {3, 62}});
  p.setPen(QPen(QColor(20, 20, 20), 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(QColor(255, 204, 0));
  p.drawPath(tri);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(20, 20, 20));
  const QPainterPath bar = art::Polygon({{33.5, 22}, {41.5, 22}, {39.5, 45}, {35.5, 45}});
  p.drawPath(bar);
  p.drawEllipse(QRectF(34, 49, 7, 7));
  // A banana peel beside the foot.
  p.setPen(QPen(QColor(120, 90, 0), 1.2));
  p.setBrush(QColor(250, 215, 40));
  QPainterPath peel;
  peel.moveTo(6, 113);
  peel.cubicTo(2, 104, 6, 96, 12, 93);
  peel.cubicTo(13, 100, 12, 106, 16, 112);
  peel.cubicTo(17, 102, 22, 97, 28, 97);
  peel.cubicTo(25, 103, 22, 108, 20, 114);
  peel.cubicTo(15, 117, 9, 117, 6, 113);
  p.drawPath(peel);
  p.setBrush(QColor(90, 60, 0));
  p.setPen(Qt::NoPen);
  p.drawEllipse(QRectF(11.5, 90.5, 3, 4));
  // Motion marks: something just went wrong.
  p.setPen(QPen(QColor(200, 30, 30), 2, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(55, 92), QPointF(66, 86));
  p.drawLine(QPointF(57, 99), QPointF(70, 97));
  p.drawLine(QPointF(55, 106), QPointF(66, 110));
  return img;
}

QImage TopStrip() {
  constexpr int kW = 299, kH = 52, kFrames = 8;
  QImage art = Canvas(kW * kFrames, kH);
  QPainter p(&art);
  p.setRenderHint(QPainter::Antialiasing, false);
  // Frame 0 shows the band 4 px below the top; the last leaves its bottom
  // 3 px hanging out of the top edge.
  const double shown = 4, hidden = -41;
  for (int f = 0; f < kFrames; ++f) {
    const double t = Ease(double(f) / (kFrames - 1));
    p.save();
    p.setClipRect(f * kW, 0, kW, kH);
    MainBand(p, f * kW + 4, shown + (hidden - shown) * t);
    p.restore();
  }
  p.end();
  return KeyOnto(art, QColor(255, 0, 0));
}

QImage SideStrip() {
  constexpr int kW = 82, kH = 192, kFrames = 11, kUsed = 10;
  QImage art = Canvas(kW * kFrames, kH);
  QPainter p(&art);
  p.setRenderHint(QPainter::Antialiasing, false);
  // Frame 0 shows the window whole; frame 9 leaves 4 px of it at the right
  // edge.  The spare eleventh frame repeats the tucked-away state.
  const double shown = 8, hidden = kW - 4;
  for (int f = 0; f < kFrames; ++f) {
    const double t = Ease(double(std::min(f, kUsed - 1)) / (kUsed - 1));
    p.save();
    p.setClipRect(f * kW, 0, kW, kH);
    ToolWindow(p, f * kW + shown + (hidden - shown) * t, 8);
    p.restore();
  }
  p.end();
  return KeyOnto(art, QColor(0, 255, 0));
}

}  // namespace

int main(int argc, char** argv) {
  return art::Main(argc, argv,
                   {{"OOPS_PICTURE", OopsPicture}, {"ABOUT_TOP_STRIP", TopStrip}, {"ABOUT_SIDE_STRIP", SideStrip}});
}
