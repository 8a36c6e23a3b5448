// The real IDE's windows behind the add-in's class names.
//
// The add-in looks for its IDE's windows as "TAppBuilder" (the main window)
// and "TPropertyInspector" (the inspector).  While the bridge runs, an
// IdeWindowSystem stands in front of the desktop's window system and answers
// those two names with the windows that the chosen IDE profile recognises;
// every other question goes through unchanged.
//
// Handles.  The add-in keeps the handles it found for as long as it runs, but
// a real IDE can be closed and started again behind its back.  So the two
// roles are handed out as fixed role handles (kMainHandle, kInspectorHandle),
// values that no X window id or widget id can take (X ids are below 2^32).
// A role handle stands for whichever real window plays the role now: it is
// stale (Exists false, every call a no-op) while the IDE is away, and alive
// again when the IDE comes back.  Results that name a real role window
// (Stacking, Owner) name it by its role handle, so that comparisons in the
// add-in (is the window under the cursor owned by the main window?) hold.
// The real handles work as well and count as the same windows.
//
// Finding.  A role's window is the topmost visible window that satisfies the
// profile's rule for it; the inspector is never the main window.  A window
// that has been found keeps its role while it exists and still satisfies the
// rule, even when it leaves the visible list (a window taken out of the
// window manager's hands while hidden is not listed there).
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "bridge/IdeProfile.h"
#include "platform/backend/Backend.h"

namespace bridge {

enum class IdeRole { Main, Inspector };

// The add-in's names for the two windows.
inline constexpr std::string_view kMainClassName = "TAppBuilder";
inline constexpr std::string_view kInspectorClassName = "TPropertyInspector";

inline constexpr platform::HWND kMainHandle = 0xEDE7'0000'0000'0001ull;
inline constexpr platform::HWND kInspectorHandle = 0xEDE7'0000'0000'0002ull;

struct IdeWindows {
  platform::HWND main = 0;       // real handles; 0 when not found
  platform::HWND inspector = 0;
  long long pid = 0;             // the main window's process (0: unknown)
  long long inspectorPid = 0;    // the inspector's (the same for one-process IDEs)
  friend bool operator==(const IdeWindows&, const IdeWindows&) = default;
};

// The profile's windows among the visible ones, topmost first.
IdeWindows FindIdeWindows(const platform::WindowSystem& ws, const IdeProfile& profile);

class IdeWindowSystem : public platform::WindowSystem {
public:
  // inner must outlive this object.
  explicit IdeWindowSystem(platform::WindowSystem& inner);

  // The profile whose windows play the roles; null: none (the roles stay empty).
  void SetProfile(const IdeProfile* profile);
  const IdeProfile* Profile() const { return m_profile; }

  // Looks again which real windows play the roles (see Finding) and returns them.
  const IdeWindows& Refresh();
  // The real windows as last found, without looking again.
  const IdeWindows& Current() const { return m_current; }

  // The real window behind a role handle (a real handle comes back as it is).
  platform::HWND Real(platform::HWND h) const;
  // The role a handle (role or real) plays now, if any.
  std::optional<IdeRole> RoleOf(platform::HWND h) const;

  // Called before every move of a role window that exists, with the frame it
  // had just before and the frame asked for.
  std::function<void(IdeRole, const std::optional<platform::Rect>& before, const platform::Rect& target)> onMove;

  // platform::WindowSystem.  Find answers the two class names by role (the
  // title argument is not compared: the profile decides) and asks the inner
  // window system for every other name.  A role whose window has gone is
  // looked for again before Find answers.
  bool Exists(platform::HWND h) const override;
  platform::HWND Find(std::string_view cls, const char* title) const override;
  std::optional<platform::Rect> FrameRect(platform::HWND h) const override;
  void Move(platform::HWND h, const platform::Rect& frame) override;
  void Raise(platform::HWND h) override;
  std::vector<platform::HWND> Stacking() const override;
  platform::HWND Owner(platform::HWND h) const override;
  std::optional<platform::WindowIdentity> Identify(platform::HWND h) const override;
  bool Tiled(platform::HWND h) override;

private:
  platform::HWND ToRoleHandle(platform::HWND real) const;
  bool StillPlays(platform::HWND real, const WindowRule& rule) const;
  const IdeWindows& RefreshConst() const;

  platform::WindowSystem& m_inner;
  const IdeProfile* m_profile = nullptr;
  mutable IdeWindows m_current;
};

}  // namespace bridge
