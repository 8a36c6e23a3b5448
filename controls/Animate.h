// TAnimated: plays an animation from one picture, the strip, whose frames stand
// side by side from left to right, each exactly as wide as the control.
//
// A graphic control (no window of its own) that paints every pixel of its
// rectangle.  Its background colour is the toolkit control colour, which
// follows the parent's background by default.
//
// Properties and what writing them does:
//  * Interval (ms between frames, initially 0): an unchanged value does nothing.
//    Otherwise the running timer is released and, when Play is true and the
//    value positive, a new one starts with the new interval; so changing the
//    interval while running restarts the count.
//  * FrameCount (frames used from the strip, initially 1): stored, no repaint.
//    A value below 1 is refused and the count stays as it was (every frame
//    number is taken modulo the count).
//  * Frame (the frame shown, initially 0): a negative value becomes the last
//    frame, any other is taken modulo FrameCount.  An unchanged frame does
//    nothing; a new one calls OnChangeFrame and asks for a repaint.
//  * BitMap: the control keeps its own copy of the strip and takes the strip's
//    height as its own (30 for an empty strip); its width stays.
//  * Play (initially false): true starts a timer when Interval is positive
//    (with 0 or less Play reads true and nothing moves until an interval is
//    set); false releases the timer.  A stopped animation restarts from the
//    frame it shows.
//  * Reverse (initially false), Loop (initially true): stored; the next step
//    obeys them.
//  * TransparentColor (initially -1): strip pixels of exactly this colour are
//    painted in the background colour; a negative value means none.  A change
//    repaints.
//
// Each tick steps one frame forward (or back in reverse).  On reaching the last
// frame going forward, or frame 0 in reverse, a non-looping animation stops
// (Play becomes false); a looping one wraps around at the next step.
//
// Painting: an empty strip paints the whole control white.  Otherwise the
// control shows the Width x Height area of the strip that starts at
// Width * Frame, unscaled; any part of the control the strip does not cover
// shows the background colour.
#pragma once

#include <QImage>

#include "toolkit/Graphics.h"
#include "toolkit/Timer.h"

class TAnimated : public tk::TGraphicControl {
  Q_OBJECT
public:
  explicit TAnimated(QWidget* parent = nullptr);
  ~TAnimated() override;

  int Interval() const { return m_interval; }
  void SetInterval(int ms);
  int FrameCount() const { return m_frameCount; }
  void SetFrameCount(int count);
  int Frame() const { return m_frame; }
  void SetFrame(int frame);
  const QImage& BitMap() const { return m_bitmap; }
  void SetBitMap(const QImage& strip);
  void SetBitMap(const QPixmap& strip) { SetBitMap(strip.toImage()); }
  bool Play() const { return m_play; }
  void SetPlay(bool on);
  bool Reverse() const { return m_reverse; }
  void SetReverse(bool on) { m_reverse = on; }
  bool Loop() const { return m_loop; }
  void SetLoop(bool on) { m_loop = on; }
  tk::TColor TransparentColor() const { return m_transparentColor; }
  void SetTransparentColor(tk::TColor color);
  void SetOnChangeFrame(tk::TNotifyEvent handler) { m_onChangeFrame = std::move(handler); }

  // The control's own timer while the animation runs, else nullptr.
  tk::TTimer* Timer() const { return m_timer; }

  // The picture the control shows now, as Paint draws it (Width x Height).
  QImage RenderFrame() const;

protected:
  void Paint(QPainter& p) override;

private:
  void StartTimer();
  void ReleaseTimer();
  void Step();
  void StopAtEnd();

  QImage m_bitmap;
  int m_frameCount = 1;
  int m_frame = 0;
  tk::TTimer* m_timer = nullptr;
  int m_interval = 0;
  bool m_loop = true;
  bool m_reverse = false;
  bool m_play = false;
  tk::TColor m_transparentColor = -1;
  tk::TNotifyEvent m_onChangeFrame;
};
