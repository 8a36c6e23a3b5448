#include "addinhost/AddInCore.h"

#include <dlfcn.h>

#include <QCoreApplication>
#include <QEvent>
#include <algorithm>
#include <iostream>
#include <utility>

namespace addinhost {
namespace {

AddInCore* g_core = nullptr;

// The services table handed to add-ins.  It may outlive the core: after Close
// its core pointer is null and it gives neutral answers.
class CoreServices : public THostServices {
public:
  CoreServices(AddInCore* c, std::string n) : core(c), name(std::move(n)) {}
  THostWindow QueryParentWindow() override { return core && core->parentWindow ? core->parentWindow() : 0; }
  std::string QueryProjectName() override { return core && core->projectName ? core->projectName() : std::string(); }
  bool AttachNotifier(TIAddInNotifier* n) override { return core && core->AttachNotifier(n); }
  bool DetachNotifier(TIAddInNotifier* n) override { return core && core->DetachNotifier(n); }
  void ReportError(const std::string& message) override {
    if (core)
      core->ReportError(message);
    else
      std::cerr << name << ": add-in error: " << message << std::endl;
  }
  AddInCore* core;
  const std::string name;
};

bool RegisterExpertProc(TIExpert* expert) { return g_core && g_core->RegisterExpert(expert); }

void DeleteDeferred() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

}  // namespace

AddInCore::AddInCore(std::string name) : m_name(std::move(name)), m_services(new CoreServices(this, m_name)) {
  g_core = this;
}

AddInCore::~AddInCore() {
  Close(false);
  if (g_core == this) g_core = nullptr;
}

AddInCore::LoadResult AddInCore::Load(const std::string& path, std::string* why) {
  if (m_ended) return LoadResult::failed;
  void* lib = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!lib) {
    const char* err = ::dlerror();
    if (why) *why = "cannot load add-in " + path + ": " + (err ? err : "unknown error");
    return LoadResult::failed;
  }
  auto init = reinterpret_cast<TExpertInitProc>(::dlsym(lib, ExpertEntryPointName));
  if (!init) {
    if (why) *why = "add-in " + path + " has no entry point " + ExpertEntryPointName;
    ::dlclose(lib);
    return LoadResult::failed;
  }
  if (!Start(init, AddIn{path, lib, nullptr})) {
    if (why) *why = "add-in " + path + " declined to start";
    return LoadResult::declined;
  }
  return LoadResult::started;
}

bool AddInCore::Connect(TExpertInitProc init, const std::string& label) {
  if (m_ended || !init) return false;
  return Start(init, AddIn{label, nullptr, nullptr});
}

bool AddInCore::Start(TExpertInitProc init, AddIn addIn) {
  m_addIns.push_back(std::move(addIn));
  const std::size_t index = m_addIns.size() - 1;
  bool ok = false;
  Guarded(ExpertEntryPointName, [&] { ok = init(m_services, &RegisterExpertProc, &m_addIns[index].terminate); });
  if (ok) m_started = true;
  return ok;
}

bool AddInCore::RegisterExpert(TIExpert* expert) {
  if (!expert || m_ended) return false;
  if (std::find(m_experts.begin(), m_experts.end(), expert) != m_experts.end()) return false;
  m_experts.push_back(expert);  // we now hold the reference we were given
  if (expertsChanged) expertsChanged();
  return true;
}

bool AddInCore::AttachNotifier(TIAddInNotifier* notifier) {
  if (!notifier || m_ended) return false;
  if (std::find(m_notifiers.begin(), m_notifiers.end(), notifier) != m_notifiers.end()) return false;
  notifier->AddRef();
  m_notifiers.push_back(notifier);
  return true;
}

bool AddInCore::DetachNotifier(TIAddInNotifier* notifier) {
  auto it = std::find(m_notifiers.begin(), m_notifiers.end(), notifier);
  if (it == m_notifiers.end()) return false;
  m_notifiers.erase(it);
  notifier->Release();
  return true;
}

void AddInCore::ReportError(const std::string& message) {
  if (reportError)
    reportError(message);
  else
    std::cerr << m_name << ": add-in error: " << message << std::endl;
}

void AddInCore::ReportException(const char* what, const char* message) const {
  std::cerr << m_name << ": add-in raised an exception in " << what;
  if (message) std::cerr << ": " << message;
  std::cerr << std::endl;
}

bool AddInCore::Notify(TFileNotification code, const std::string& file) {
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

std::vector<AddInCore::MenuEntry> AddInCore::MenuEntries() const {
  std::vector<MenuEntry> entries;
  for (TIExpert* e : m_experts) {
    bool shown = false;
    MenuEntry entry{e, std::string(), 0};
    Guarded("GetMenuText", [&] {
      shown = e->GetStyle() == esStandard;
      if (!shown) return;
      entry.text = e->GetMenuText();
      entry.state = e->GetState();
    });
    if (shown) entries.push_back(std::move(entry));
  }
  return entries;
}

bool AddInCore::Execute(TIExpert* expert) {
  if (std::find(m_experts.begin(), m_experts.end(), expert) == m_experts.end()) return false;
  Guarded("Execute", [&] { expert->Execute(); });
  return true;
}

void AddInCore::Terminate() {
  if (m_ended) return;
  m_ended = true;
  for (auto it = m_addIns.rbegin(); it != m_addIns.rend(); ++it)
    if (it->terminate) Guarded("the termination procedure", std::exchange(it->terminate, nullptr));
  // Windows the add-ins closed go now, while their code is still loaded.
  DeleteDeferred();
  for (TIAddInNotifier* n : std::exchange(m_notifiers, {})) n->Release();
  const std::vector<TIExpert*> experts = std::exchange(m_experts, {});
  if (expertsChanged) expertsChanged();
  for (TIExpert* e : experts) Guarded("Release", [e] { e->Release(); });
}

void AddInCore::Close(bool unloadLibraries) {
  Terminate();
  if (!m_services) return;
  static_cast<CoreServices*>(m_services)->core = nullptr;
  if (unloadLibraries) {
    for (auto it = m_addIns.rbegin(); it != m_addIns.rend(); ++it)
      if (it->library) ::dlclose(it->library);
  }
  m_addIns.clear();
  m_services->Release();
  m_services = nullptr;
}

}  // namespace addinhost
