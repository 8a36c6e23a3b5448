#include "bridge/IdeWindows.h"

namespace bridge {

using platform::HWND;
using platform::Rect;

IdeWindows FindIdeWindows(const platform::WindowSystem& ws, const IdeProfile& profile) {
  IdeWindows found;
  for (HWND h : ws.Stacking()) {
    const std::optional<platform::WindowIdentity> id = ws.Identify(h);
    if (!id) continue;
    if (!found.main && Matches(profile.main, *id)) {
      found.main = h;
      found.pid = id->pid;
    } else if (!found.inspector && Matches(profile.inspector, *id)) {
      found.inspector = h;
      found.inspectorPid = id->pid;
    }
    if (found.main && found.inspector) break;
  }
  return found;
}

IdeWindowSystem::IdeWindowSystem(platform::WindowSystem& inner) : m_inner(inner) {}

void IdeWindowSystem::SetProfile(const IdeProfile* profile) {
  if (profile == m_profile) return;
  m_profile = profile;
  m_current = IdeWindows{};
  Refresh();
}

bool IdeWindowSystem::StillPlays(HWND real, const WindowRule& rule) const {
  if (!real || !m_inner.Exists(real)) return false;
  const std::optional<platform::WindowIdentity> id = m_inner.Identify(real);
  return id && Matches(rule, *id);
}

const IdeWindows& IdeWindowSystem::Refresh() { return RefreshConst(); }

const IdeWindows& IdeWindowSystem::RefreshConst() const {
  if (!m_profile) {
    m_current = IdeWindows{};
    return m_current;
  }
  const bool keepMain = StillPlays(m_current.main, m_profile->main);
  const bool keepInspector = StillPlays(m_current.inspector, m_profile->inspector);
  if (keepMain && keepInspector) return m_current;
  IdeWindows fresh = FindIdeWindows(m_inner, *m_profile);
  IdeWindows next;
  next.main = keepMain ? m_current.main : fresh.main;
  next.pid = keepMain ? m_current.pid : fresh.pid;
  next.inspector = keepInspector ? m_current.inspector : fresh.inspector;
  next.inspectorPid = keepInspector ? m_current.inspectorPid : fresh.inspectorPid;
  // A window kept as main must not be taken as the inspector as well.
  if (next.inspector == next.main) next.inspector = 0, next.inspectorPid = 0;
  m_current = next;
  return m_current;
}

HWND IdeWindowSystem::Real(HWND h) const {
  if (h == kMainHandle) return m_current.main;
  if (h == kInspectorHandle) return m_current.inspector;
  return h;
}

std::optional<IdeRole> IdeWindowSystem::RoleOf(HWND h) const {
  const HWND real = Real(h);
  if (!real) return std::nullopt;
  if (real == m_current.main) return IdeRole::Main;
  if (real == m_current.inspector) return IdeRole::Inspector;
  return std::nullopt;
}

HWND IdeWindowSystem::ToRoleHandle(HWND real) const {
  if (real && real == m_current.main) return kMainHandle;
  if (real && real == m_current.inspector) return kInspectorHandle;
  return real;
}

bool IdeWindowSystem::Exists(HWND h) const {
  const HWND real = Real(h);
  return real && m_inner.Exists(real);
}

HWND IdeWindowSystem::Find(std::string_view cls, const char* title) const {
  const bool main = cls == kMainClassName;
  const bool inspector = cls == kInspectorClassName;
  if (!main && !inspector) return ToRoleHandle(m_inner.Find(cls, title));
  const HWND real = main ? m_current.main : m_current.inspector;
  if (!real || !m_inner.Exists(real)) RefreshConst();
  const HWND now = main ? m_current.main : m_current.inspector;
  if (!now) return 0;
  return main ? kMainHandle : kInspectorHandle;
}

std::optional<Rect> IdeWindowSystem::FrameRect(HWND h) const {
  const HWND real = Real(h);
  if (!real) return std::nullopt;
  return m_inner.FrameRect(real);
}

void IdeWindowSystem::Move(HWND h, const Rect& frame) {
  const HWND real = Real(h);
  if (!real || !m_inner.Exists(real)) return;
  if (const std::optional<IdeRole> role = RoleOf(real); role && onMove) onMove(*role, m_inner.FrameRect(real), frame);
  m_inner.Move(real, frame);
}

void IdeWindowSystem::Raise(HWND h) {
  const HWND real = Real(h);
  if (real) m_inner.Raise(real);
}

std::vector<HWND> IdeWindowSystem::Stacking() const {
  std::vector<HWND> out = m_inner.Stacking();
  for (HWND& h : out) h = ToRoleHandle(h);
  return out;
}

HWND IdeWindowSystem::Owner(HWND h) const {
  const HWND real = Real(h);
  if (!real) return 0;
  return ToRoleHandle(m_inner.Owner(real));
}

std::optional<platform::WindowIdentity> IdeWindowSystem::Identify(HWND h) const {
  const HWND real = Real(h);
  if (!real) return std::nullopt;
  return m_inner.Identify(real);
}

bool IdeWindowSystem::Tiled(HWND h) {
  const HWND real = Real(h);
  return real && m_inner.Tiled(real);
}

}  // namespace bridge
