#include "host/Screenshot.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <QPolygon>
#include <QScreen>
#include <QWidget>

#include "platform/Windows.h"

namespace host {
namespace {

// A classic arrow pointer, tip at (0, 0), 12 x 19 pixels.
void DrawCursor(QPainter& p, QPoint at) {
  static const QPolygon arrow({QPoint(0, 0), QPoint(0, 16), QPoint(4, 12), QPoint(7, 18),
                               QPoint(9, 17), QPoint(6, 11), QPoint(11, 11)});
  p.save();
  p.setRenderHint(QPainter::Antialiasing, false);
  p.translate(at);
  p.setPen(QPen(Qt::black, 1));
  p.setBrush(Qt::white);
  p.drawPolygon(arrow);
  p.restore();
}

}  // namespace

QImage ComposeScreen() {
  QScreen* screen = QGuiApplication::primaryScreen();
  const QRect area = screen ? screen->geometry() : QRect(0, 0, 1024, 768);
  QImage image(area.size(), QImage::Format_RGB32);
  image.fill(DesktopColour());
  QPainter p(&image);
  p.translate(-area.topLeft());
  const std::vector<QWidget*> order = platform::TopLevelZOrder();  // topmost first
  for (auto it = order.rbegin(); it != order.rend(); ++it) {
    QWidget* w = *it;
    const QRect frame = w->frameGeometry();
    if (frame != w->geometry()) {
      // A plain stand-in for the window manager's frame.
      p.fillRect(frame, QColor(192, 192, 192));
      p.setPen(Qt::black);
      p.drawRect(frame.adjusted(0, 0, -1, -1));
    }
    p.drawPixmap(w->geometry().topLeft(), w->grab());
  }
  const platform::Point c = platform::GetCursorPos();
  DrawCursor(p, QPoint(c.x, c.y));
  p.end();
  return image;
}

bool SaveScreenshot(const QString& file) { return ComposeScreen().save(file, "PNG"); }

}  // namespace host
