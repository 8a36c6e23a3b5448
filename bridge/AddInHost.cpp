#include "bridge/AddInHost.h"

#include <dlfcn.h>

#include <QCoreApplication>
#include <QEvent>
#include <algorithm>
#include <exception>
#include <iostream>
#include <utility>

namespace bridge {
namespace {

AddInHost* g_host = nullptr;

// The services table handed to the add-in.  It may outlive the host: after
// shut-down its host pointer is null and it gives neutral answers.
class BridgeServices : public THostServices {
public:
  explicit BridgeServices(AddInHost* h) : host(h) {}
  THostWindow QueryParentWindow() override { return host && host->parentWindow ? host->parentWindow() : 0; }
  std::string QueryProjectName() override { return host && host->projectName ? host->projectName() : std::string(); }
  bool AttachNotifier(TIAddInNotifier* n) override { return host && host->AttachNotifier(n); }
  bool DetachNotifier(TIAddInNotifier* n) override { return host && host->DetachNotifier(n); }
  void ReportError(const std::string& message) override {
    if (host)
      host->ReportError(message);
    else
      std::cerr << "edgetucker-bridge: add-in error: " << message << std::endl;
  }
  AddInHost* host;
};

bool RegisterExpertProc(TIExpert* expert) { return g_host && g_host->RegisterExpert(expert); }

// Calls into the add-in; an exception that escapes it is reported, not fatal.
template <typename F>
void Guarded(const char* what, F&& f) {
  try {
    f();
  } catch (const std::exception& e) {
    std::cerr << "edgetucker-bridge: the add-in raised an exception in " << what << ": " << e.what() << std::endl;
  } catch (...) {
    std::cerr << "edgetucker-bridge: the add-in raised an exception in " << what << std::endl;
  }
}

}  // namespace

AddInHost::AddInHost() : m_services(new BridgeServices(this)) { g_host = this; }

AddInHost::~AddInHost() {
  Shutdown();
  if (g_host == this) g_host = nullptr;
}

bool AddInHost::Load(const std::string& path, std::string* why) {
  if (m_shutDown || m_connected) return false;
  void* lib = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!lib) {
    const char* err = ::dlerror();
    if (why) *why = "cannot load " + path + ": " + (err ? err : "unknown error");
    return false;
  }
  auto init = reinterpret_cast<TExpertInitProc>(::dlsym(lib, ExpertEntryPointName));
  if (!init) {
    if (why) *why = path + " has no entry point " + ExpertEntryPointName;
    ::dlclose(lib);
    return false;
  }
  m_library = lib;
  if (!Start(init)) {
    if (why) *why = "the add-in " + path + " declined to start";
    return false;
  }
  return true;
}

bool AddInHost::Connect(TExpertInitProc init) {
  if (m_shutDown || m_connected || !init) return false;
  return Start(init);
}

bool AddInHost::Start(TExpertInitProc init) {
  bool ok = false;
  Guarded(ExpertEntryPointName, [&] { ok = init(m_services, &RegisterExpertProc, &m_terminate); });
  m_connected = ok;
  return ok;
}

bool AddInHost::RegisterExpert(TIExpert* expert) {
  if (!expert || m_shutDown) return false;
  if (std::find(m_experts.begin(), m_experts.end(), expert) != m_experts.end()) return false;
  m_experts.push_back(expert);  // we now hold the reference we were given
  return true;
}

bool AddInHost::AttachNotifier(TIAddInNotifier* notifier) {
  if (!notifier || m_shutDown) return false;
  if (std::find(m_notifiers.begin(), m_notifiers.end(), notifier) != m_notifiers.end()) return false;
  notifier->AddRef();
  m_notifiers.push_back(notifier);
  return true;
}

bool AddInHost::DetachNotifier(TIAddInNotifier* notifier) {
  auto it = std::find(m_notifiers.begin(), m_notifiers.end(), notifier);
  if (it == m_notifiers.end()) return false;
  m_notifiers.erase(it);
  notifier->Release();
  return true;
}

void AddInHost::ReportError(const std::string& message) {
  if (onError)
    onError(message);
  else
    std::cerr << "edgetucker-bridge: add-in error: " << message << std::endl;
}

bool AddInHost::Notify(TFileNotification code, const std::string& file) {
  bool cancel = false;
  // A notifier may detach itself or others while being notified.
  const std::vector<TIAddInNotifier*> snapshot = m_notifiers;
  for (TIAddInNotifier* n : snapshot) {
    if (std::find(m_notifiers.begin(), m_notifiers.end(), n) == m_notifiers.end()) continue;
    n->AddRef();
    Guarded("HandleNotification", [&] { n->HandleNotification(code, file, cancel); });
    n->Release();
  }
  return cancel;
}

TIExpert* AddInHost::MenuExpert() const {
  for (TIExpert* e : m_experts) {
    bool shown = false;
    Guarded("GetStyle", [&] { shown = e->GetStyle() == esStandard && (e->GetState() & esEnabled); });
    if (shown) return e;
  }
  return nullptr;
}

std::string AddInHost::MenuText() const {
  std::string text;
  if (TIExpert* e = MenuExpert()) Guarded("GetMenuText", [&] { text = e->GetMenuText(); });
  return text;
}

bool AddInHost::RunMenu() {
  TIExpert* e = MenuExpert();
  if (!e) return false;
  Guarded("Execute", [&] { e->Execute(); });
  return true;
}

void AddInHost::Shutdown() {
  if (m_shutDown) return;
  m_shutDown = true;
  if (m_terminate) Guarded("the termination procedure", m_terminate);
  m_terminate = nullptr;
  // Windows the add-in closed go now, while their code is still loaded.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  for (TIAddInNotifier* n : std::exchange(m_notifiers, {})) n->Release();
  for (TIExpert* e : std::exchange(m_experts, {})) Guarded("Release", [e] { e->Release(); });
  static_cast<BridgeServices*>(m_services)->host = nullptr;
  m_services->Release();
  m_services = nullptr;
  // The library stays loaded: Qt may still hold its meta-objects and resources
  // until the application ends, and the process ends right after this anyway.
  m_library = nullptr;
  m_connected = false;
}

std::vector<Notification> ProjectChange(const std::string& before, const std::string& after) {
  std::vector<Notification> out;
  if (before == after) return out;
  if (!before.empty()) out.push_back(Notification{fnProjectClosing, before});
  if (!after.empty()) out.push_back(Notification{fnProjectDesktopLoad, after + ".dsk"});
  return out;
}

}  // namespace bridge
