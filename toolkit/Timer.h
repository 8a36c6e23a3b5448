// A message-driven timer with the toolkit's semantics.
//
//  * Enabled and Interval are plain properties: the interval holds its value
//    while the timer is disabled, and enabling an enabled timer changes nothing
//    (the count goes on from when it started).
//  * Changing the interval of a running timer starts the count again.
//  * A timer runs only while it is enabled, has a handler and a positive
//    interval; with an interval of 0 or less it never ticks, unless
//    SetFireAtOnceWhenNotPositive(true) asks it to tick at the next turn of the
//    event loop instead.
//  * Ticks arrive on the GUI thread between other messages, never inside a
//    handler (unless that handler processes messages itself).
#pragma once

#include <QObject>
#include <QTimer>
#include <functional>

#include "toolkit/Component.h"

namespace tk {

class TTimer : public QObject, public TComponent {
  Q_OBJECT
public:
  explicit TTimer(QObject* owner = nullptr);

  bool Enabled() const { return m_enabled; }
  void SetEnabled(bool on);
  int Interval() const { return m_interval; }
  void SetInterval(int ms);
  void SetOnTimer(std::function<void()> handler);
  void SetFireAtOnceWhenNotPositive(bool on);

  // True while a platform timer is counting toward a tick.
  bool Running() const { return m_timer.isActive(); }

  // Runs the handler as a tick does.  Tests drive timers through this instead
  // of waiting for them.
  void Tick();

private:
  void Update();

  QTimer m_timer;
  std::function<void()> m_onTimer;
  bool m_enabled = true;
  int m_interval = 1000;
  bool m_fireAtOnce = false;
};

}  // namespace tk
