#include "toolkit/Timer.h"

namespace tk {

TTimer::TTimer(QObject* owner) : QObject(owner) {
  m_timer.setTimerType(Qt::PreciseTimer);
  connect(&m_timer, &QTimer::timeout, this, [this] { Tick(); });
}

void TTimer::SetEnabled(bool on) {
  if (on == m_enabled) return;
  m_enabled = on;
  Update();
}

void TTimer::SetInterval(int ms) {
  if (ms == m_interval) return;
  m_interval = ms;
  Update();
}

void TTimer::SetOnTimer(std::function<void()> handler) {
  m_onTimer = std::move(handler);
  Update();
}

void TTimer::SetFireAtOnceWhenNotPositive(bool on) {
  if (on == m_fireAtOnce) return;
  m_fireAtOnce = on;
  Update();
}

void TTimer::Update() {
  m_timer.stop();
  if (!m_enabled || !m_onTimer) return;
  if (m_interval > 0)
    m_timer.start(m_interval);
  else if (m_fireAtOnce)
    m_timer.start(0);
}

void TTimer::Tick() {
  if (m_onTimer) {
    // The handler may replace itself; keep the running one alive.
    auto handler = m_onTimer;
    handler();
  }
}

}  // namespace tk
