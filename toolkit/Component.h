// Components: the states every control and non-visual part of a form shares.
//
// A component is "loading" while its form is being built from its stored layout:
// property writes then only store their values, and the work they would trigger
// waits for Loaded(), which runs for every component once the whole form exists.
// A component is "designing" when it stands in a form designer; none exists
// here, so the switch is for tests of design-time behaviour.
//
// TComponent is a mix-in beside QObject or QWidget: the owner of a component is
// its QObject parent, its name the QObject's objectName.
#pragma once

#include <QObject>
#include <vector>

namespace tk {

enum ComponentStateFlag : unsigned {
  csLoading = 1u << 0,
  csDesigning = 1u << 1,
};

class LoadingScope;

class TComponent {
public:
  // A component built inside a LoadingScope starts in the loading state.
  TComponent();
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;
  virtual ~TComponent();

  unsigned ComponentState() const { return m_state; }
  bool IsLoading() const { return (m_state & csLoading) != 0; }
  bool IsDesigning() const { return (m_state & csDesigning) != 0; }
  void SetDesigning(bool on);

  // Ends loading: the component applies what its stored properties ask for.
  // Overrides call the base first.
  virtual void Loaded();

  // Enters the loading state by hand (for components not built in a scope).
  void BeginLoading() { m_state |= csLoading; }

private:
  friend class LoadingScope;
  unsigned m_state = 0;
  LoadingScope* m_scope = nullptr;
};

// Builds a form "from its stored layout": every component constructed while the
// scope is open starts loading; End() (or the destructor) then calls Loaded() on
// each of them in the order they were created.  Scopes nest; a component joins
// the innermost one.
class LoadingScope {
public:
  LoadingScope();
  LoadingScope(const LoadingScope&) = delete;
  LoadingScope& operator=(const LoadingScope&) = delete;
  ~LoadingScope();
  void End();

private:
  friend class TComponent;
  LoadingScope* m_outer;
  std::vector<TComponent*> m_components;
  bool m_ended = false;
};

// Sets or clears the designing state of root (when it is a component) and of
// every component below it.
void SetDesigning(QObject* root, bool on);

}  // namespace tk
