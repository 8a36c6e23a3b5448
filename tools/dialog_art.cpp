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

// A raised bevel: light grey, lit from the top left.
void Raised(QPainter& p, const QRectF& r, const QColor& shadow = QColor(96, 96, 96)) {
  p.fillRect(r, QColor(192, 192, 192));
  p.setPen(Qt::white);
  p.drawLine(r.topLeft(), r.topRight());
  p.drawLine(r.topLeft(), r.bottomLeft());
  p.setPen(shadow);
  p.drawLine(r.bottomLeft(), r.bottomRight());
  p.drawLine(r.topRight(), r.bottomRight());
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
  for (int i = 0; i < buttons; ++i)
    Raised(p, QRectF(r.right() - 3 - (i + 1) * (s + 2), r.top() + 2, s, s), QColor(64, 64, 64));
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

void DrawOops(QPainter& p) {
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
}

// Draws one frame of a slide at `left`, the frame's left edge: `t` runs from 0
// (shown) to 1 (tucked away).
using Frame = std::function<void(QPainter&, double left, double t)>;

// `frames` frames of w x h side by side, unsmoothed, on the key colour; the
// slide takes the first `moving` of them, any after repeat its end.
art::Picture Slide(const char* name, int w, int h, int frames, int moving, QColor key, Frame frame) {
  return {name, [=] {
            const QImage strip = art::Paint(w * frames, h, [&](QPainter& p) {
              p.setRenderHint(QPainter::Antialiasing, false);
              for (int f = 0; f < frames; ++f) {
                p.save();
                p.setClipRect(f * w, 0, w, h);
                frame(p, f * w, Ease(double(std::min(f, moving - 1)) / (moving - 1)));
                p.restore();
              }
            });
            return art::KeyOnto(strip, key);
          }};
}

// The band in a 299 x 52 frame: shown 4 px below the top; tucked away, its
// bottom 3 px hang out of the top edge.
void BandFrame(QPainter& p, double left, double t) {
  const double shown = 4, hidden = -41;
  MainBand(p, left + 4, shown + (hidden - shown) * t);
}

// The tool window in an 82 x 192 frame: shown whole; tucked away, 4 px of it
// are left at the right edge.
void ToolFrame(QPainter& p, double left, double t) {
  const double shown = 8, hidden = 82 - 4;
  ToolWindow(p, left + shown + (hidden - shown) * t, 8);
}

}  // namespace

int main(int argc, char** argv) {
  return art::Main(argc, argv,
                   {art::Painted("OOPS_PICTURE", 75, 119, DrawOops),
                    Slide("ABOUT_TOP_STRIP", 299, 52, 8, 8, QColor(255, 0, 0), BandFrame),
                    Slide("ABOUT_SIDE_STRIP", 82, 192, 11, 10, QColor(0, 255, 0), ToolFrame)});
}
