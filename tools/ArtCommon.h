// Helpers shared by the picture generators in this folder.
#pragma once

#include <QColor>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QString>
#include <cstdio>
#include <functional>
#include <initializer_list>
#include <vector>

namespace art {

using Draw = std::function<void(QPainter&)>;

// An antialiased drawing on a transparent w x h canvas.
inline QImage Paint(int w, int h, const Draw& draw) {
  QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
  img.fill(Qt::transparent);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  draw(p);
  return img;
}

// The closed outline through `corners`, in order.
inline QPainterPath Polygon(std::initializer_list<QPointF> corners) {
  QPainterPath path;
  for (const QPointF& c : corners) {
    if (path.elementCount() == 0)
      path.moveTo(c);
    else
      path.lineTo(c);
  }
  path.closeSubpath();
  return path;
}

// Draws a shape in `colour` (the painter's origin at its top-left corner).
using Shape = std::function<void(QPainter&, const QColor&)>;

// The toolkit's disabled look of `shape`, `x` pixels to the right: the shape
// in grey over a white copy moved one pixel down and right, as if pressed into
// the button face.  Leaves the painter's transformation as it found it.
inline void Engraved(QPainter& p, double x, const Shape& shape) {
  p.translate(x + 1, 1);
  shape(p, Qt::white);
  p.translate(-1, -1);
  shape(p, QColor(128, 128, 128));
  p.translate(-x, 0);
}

// Antialiased art flattened onto a key colour: pixels less than half covered
// become exactly the key, the rest fully opaque, so no blend of art and key is
// left to show as a fringe where the key is made transparent.
inline QImage KeyOnto(const QImage& art, QColor key) {
  QImage out(art.size(), QImage::Format_RGB32);
  for (int y = 0; y < art.height(); ++y) {
    const auto* src = reinterpret_cast<const QRgb*>(art.constScanLine(y));
    auto* dst = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < art.width(); ++x) {
      const QRgb p = src[x];
      const int a = qAlpha(p);
      if (a < 128) {
        dst[x] = key.rgb();
      } else {
        // Unpremultiply the covered pixel.
        dst[x] = qRgb(qRed(p) * 255 / a, qGreen(p) * 255 / a, qBlue(p) * 255 / a);
        if ((dst[x] & 0xffffff) == (key.rgb() & 0xffffff)) dst[x] ^= 0x010101;  // never the key itself
      }
    }
  }
  return out;
}

// Writes dir/NAME.png; says so on stdout, or why not on stderr.
inline bool Save(const QImage& img, const QString& dir, const char* name) {
  const QString path = dir + QLatin1Char('/') + QLatin1String(name) + QStringLiteral(".png");
  if (!img.save(path, "PNG")) {
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
  }
  std::printf("%s %dx%d\n", qPrintable(path), img.width(), img.height());
  return true;
}

// One file a generator writes: dir/NAME.png, made only once the application
// exists (text needs its fonts).
struct Picture {
  const char* name;
  std::function<QImage()> make;
};

// A w x h drawing (see Paint) as a picture.
inline Picture Painted(const char* name, int w, int h, Draw draw) {
  return {name, [=] { return Paint(w, h, draw); }};
}

// The whole of a generator's main(): `program <resources folder>` writes every
// picture into that folder.  Exit code 0 when all were written, 1 when one
// could not be, 2 on a wrong command line.  Drawing needs no display, so the
// offscreen platform serves unless QT_QPA_PLATFORM names another.
inline int Main(int argc, char** argv, const std::vector<Picture>& pictures) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <resources folder>\n", argv[0]);
    return 2;
  }
  const QString dir = QString::fromLocal8Bit(argv[1]);
  int rc = 0;
  for (const Picture& picture : pictures)
    if (!Save(picture.make(), dir, picture.name)) rc = 1;
  return rc;
}

}  // namespace art
