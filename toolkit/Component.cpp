#include "toolkit/Component.h"

#include <algorithm>

namespace tk {
namespace {
thread_local LoadingScope* t_innermost = nullptr;
}

TComponent::TComponent() {
  if (t_innermost) {
    m_state |= csLoading;
    m_scope = t_innermost;
    t_innermost->m_components.push_back(this);
  }
}

TComponent::~TComponent() {
  if (m_scope) std::erase(m_scope->m_components, this);
}

void TComponent::SetDesigning(bool on) {
  if (on)
    m_state |= csDesigning;
  else
    m_state &= ~csDesigning;
}

void TComponent::Loaded() { m_state &= ~csLoading; }

LoadingScope::LoadingScope() : m_outer(t_innermost) { t_innermost = this; }

LoadingScope::~LoadingScope() { End(); }

void LoadingScope::End() {
  if (m_ended) return;
  m_ended = true;
  t_innermost = m_outer;
  // Loaded() may destroy components still waiting; those leave the list in
  // their destructor, so take one at a time from its front.
  while (!m_components.empty()) {
    TComponent* c = m_components.front();
    m_components.erase(m_components.begin());
    c->m_scope = nullptr;
    c->Loaded();
  }
}

void SetDesigning(QObject* root, bool on) {
  if (!root) return;
  if (auto* c = dynamic_cast<TComponent*>(root)) c->SetDesigning(on);
  for (QObject* child : root->findChildren<QObject*>())
    if (auto* c = dynamic_cast<TComponent*>(child)) c->SetDesigning(on);
}

}  // namespace tk
