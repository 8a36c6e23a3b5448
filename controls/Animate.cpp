#include "controls/Animate.h"

#include <QPainter>

TAnimated::TAnimated(QWidget* parent) : tk::TGraphicControl(parent) {
  resize(30, 30);
  SetOpaque(true);
}

TAnimated::~TAnimated() {
  delete m_timer;
  m_timer = nullptr;
}

void TAnimated::StartTimer() {
  m_timer = new tk::TTimer(this);
  m_timer->SetInterval(m_interval);
  m_timer->SetOnTimer([this] { Step(); });
}

void TAnimated::ReleaseTimer() {
  if (!m_timer) return;
  // The timer may be releasing itself from inside its own tick; stop it now
  // and let it go once that tick has returned.
  tk::TTimer* t = m_timer;
  m_timer = nullptr;
  t->SetEnabled(false);
  t->SetOnTimer({});
  t->deleteLater();
}

void TAnimated::SetInterval(int ms) {
  if (ms == m_interval) return;
  ReleaseTimer();
  m_interval = ms;
  if (m_play && ms > 0) StartTimer();
}

void TAnimated::SetFrameCount(int count) {
  if (count < 1) return;
  m_frameCount = count;
}

void TAnimated::SetFrame(int frame) {
  const int f = frame < 0 ? m_frameCount - 1 : frame % m_frameCount;
  if (f == m_frame) return;
  m_frame = f;
  if (m_onChangeFrame) m_onChangeFrame(this);
  update();
}

void TAnimated::SetBitMap(const QImage& strip) {
  m_bitmap = strip;
  const int h = m_bitmap.height();
  resize(width(), h > 0 ? h : 30);
  update();
}

void TAnimated::SetPlay(bool on) {
  if (on == m_play) return;
  m_play = on;
  if (on) {
    if (m_interval > 0) StartTimer();
  } else {
    ReleaseTimer();
  }
}

void TAnimated::SetTransparentColor(tk::TColor color) {
  if (color == m_transparentColor) return;
  m_transparentColor = color;
  update();
}

void TAnimated::Step() {
  if (!m_reverse) {
    SetFrame(m_frame + 1);
    if (m_frame == m_frameCount - 1) StopAtEnd();
  } else {
    SetFrame(m_frame - 1);
    if (m_frame == 0) StopAtEnd();
  }
}

void TAnimated::StopAtEnd() {
  if (m_loop) return;
  m_play = false;
  ReleaseTimer();
}

QImage TAnimated::RenderFrame() const {
  const int w = width();
  const int h = height();
  QImage out(w, h, QImage::Format_ARGB32_Premultiplied);
  if (m_bitmap.height() <= 0) {
    out.fill(Qt::white);
    return out;
  }
  const QColor back = BackgroundColor();
  out.fill(back);
  // Frame `Frame` of the strip, unscaled; a frame past the strip's right end
  // leaves the background where the strip has no pixels.
  QImage frame = m_bitmap.copy(w * m_frame, 0, w, h).convertToFormat(QImage::Format_ARGB32);
  const QRect inside = QRect(w * m_frame, 0, w, h).intersected(m_bitmap.rect()).translated(-w * m_frame, 0);
  if (m_transparentColor >= 0) {
    const QRgb key = tk::ColorToQColor(m_transparentColor).rgb() & 0xffffffu;
    const QRgb fill = back.rgba();
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
      auto* line = reinterpret_cast<QRgb*>(frame.scanLine(y));
      for (int x = inside.left(); x <= inside.right(); ++x) {
        if ((line[x] & 0xffffffu) == key && qAlpha(line[x]) == 255) line[x] = fill;
      }
    }
  }
  if (!inside.isEmpty()) {
    QPainter p(&out);
    p.drawImage(inside.topLeft(), frame, inside);
  }
  return out;
}

void TAnimated::Paint(QPainter& p) { p.drawImage(0, 0, RenderFrame()); }
