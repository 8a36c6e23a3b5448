#include "host/IdeHost.h"

#include <dlfcn.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>
#include <QTest>
#include <algorithm>
#include <exception>
#include <iostream>
#include <utility>

#include "host/AppBuilder.h"
#include "host/PropertyWindow.h"
#include "host/XDesktop.h"
#include "platform/Windows.h"

namespace host {
namespace {

IdeHost* g_host = nullptr;

// The services table handed to add-ins.  It outlives the host's windows: an
// add-in that calls it after shut-down finds a host pointer of null and gets
// neutral answers.
class HostServicesImpl : public THostServices {
public:
  explicit HostServicesImpl(IdeHost* h) : host(h) {}
  THostWindow QueryParentWindow() override {
    return host && host->MainWindow() ? platform::HandleOf(host->MainWindow()) : 0;
  }
  std::string QueryProjectName() override { return host ? host->ProjectPath() : std::string(); }
  bool AttachNotifier(TIAddInNotifier* n) override { return host && host->AttachNotifier(n); }
  bool DetachNotifier(TIAddInNotifier* n) override { return host && host->DetachNotifier(n); }
  void ReportError(const std::string& message) override {
    if (host)
      host->ReportError(message);
    else
      std::cerr << "ide-host: add-in error: " << message << std::endl;
  }
  IdeHost* host;
};

bool RegisterExpertProc(TIExpert* expert) { return g_host && g_host->RegisterExpert(expert); }

// Calls into an add-in; an exception that escapes it is reported, not fatal.
template <typename F>
void Guarded(const char* what, F&& f) {
  try {
    f();
  } catch (const std::exception& e) {
    std::cerr << "ide-host: add-in raised an exception in " << what << ": " << e.what() << std::endl;
  } catch (...) {
    std::cerr << "ide-host: add-in raised an exception in " << what << std::endl;
  }
}

void DeleteDeferred() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

}  // namespace

IdeHost::IdeHost() {
  g_host = this;
  m_main = new TAppBuilder;
  m_inspector = new TPropertyInspector;
  m_services = new HostServicesImpl(this);
  connect(m_main, &TAppBuilder::newProjectRequested, this, [this] { NewProject(); });
  connect(m_main, &TAppBuilder::openProjectRequested, this, [this] { ChooseAndOpenProject(); });
  connect(m_main, &TAppBuilder::saveDesktopRequested, this, [this] { SaveDesktop(); });
  connect(m_main, &TAppBuilder::closeProjectRequested, this, [this] { CloseProject(); });
  // exit, not quit: Qt's quit first closes every window and gives up when one
  // turns the close down, as the add-in's forms do (their closing is theirs).
  connect(m_main, &TAppBuilder::exitRequested, this, [] { QCoreApplication::exit(0); });
  connect(m_main, &TAppBuilder::componentChosen, this, [this](const QString& cls) {
    if (m_project.empty()) return;
    SelectComponent(cls.mid(1) + QString::number(++m_componentCount), cls);
  });
  connect(m_main->ToolsMenu(), &QMenu::aboutToShow, this, [this] { RebuildToolsMenu(); });
  RebuildToolsMenu();
  m_main->CloseProjectAction()->setEnabled(false);
}

IdeHost::~IdeHost() {
  Shutdown();
  if (g_host == this) g_host = nullptr;
}

void IdeHost::ShowWindows() {
  QScreen* screen = QGuiApplication::primaryScreen();
  const int width = screen ? screen->geometry().width() : 1024;
  const std::pair<QWidget*, platform::Rect> places[] = {{m_main, {0, 0, width, 100}},
                                                        {m_inspector, {10, 110, 210, 510}}};
  if (XDesktop::Get()) {
    // A window manager frames a window only when it is mapped, and places it
    // as it likes then; a place asked for before that is lost or lands with
    // the title bar off the screen.  So: show, wait until framed, then move.
    for (const auto& [w, r] : places) w->show();
    for (const auto& [w, r] : places) {
      if (!QTest::qWaitForWindowExposed(w, 5000))
        std::cerr << "ide-host: " << w->metaObject()->className() << " was not shown within 5 s" << std::endl;
    }
  }
  auto place = [&] {
    for (const auto& [w, r] : places) {
      w->show();
      platform::MoveWindow(platform::HandleOf(w), r.left, r.top, r.Width(), r.Height(), true);
    }
  };
  place();
  if (XDesktop* x = XDesktop::Get()) {
    auto landed = [&] {
      for (const auto& [w, r] : places)
        if (x->FrameRect(platform::HandleOf(w)) != r) return false;
      return true;
    };
    // A window manager still settling a new window (its own placement, or
    // frame extents Qt had not yet read) can overrule the first move; asking
    // again once it has answered puts the windows where they belong.
    bool there = x->WaitUntil(landed, 1000);
    for (int retry = 0; !there && retry < 2; ++retry) {
      platform::ProcessMessages();
      place();
      there = x->WaitUntil(landed, 1000);
    }
    if (!there)
      std::cerr << "ide-host: the window manager did not put the windows at their start places" << std::endl;
  }
  m_main->activateWindow();
  platform::ProcessMessages();
}

std::string IdeHost::DefaultAddInPath() {
  return (QCoreApplication::applicationDirPath() + QStringLiteral("/libedgetucker.so")).toStdString();
}

std::string IdeHost::DefaultDesktopPath() { return platform::GetWindowsDirectory() + "/DELPHI32.DSK"; }

bool IdeHost::LoadAddIn(const std::string& path) {
  if (m_shutDown) return false;
  void* lib = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!lib) {
    const char* why = ::dlerror();
    std::cerr << "ide-host: cannot load add-in " << path << ": " << (why ? why : "unknown error")
              << "; going on without it" << std::endl;
    return false;
  }
  auto init = reinterpret_cast<TExpertInitProc>(::dlsym(lib, ExpertEntryPointName));
  if (!init) {
    std::cerr << "ide-host: add-in " << path << " has no entry point " << ExpertEntryPointName
              << "; going on without it" << std::endl;
    ::dlclose(lib);
    return false;
  }
  m_addIns.push_back(AddIn{path, lib, nullptr});
  const std::size_t index = m_addIns.size() - 1;
  bool ok = false;
  Guarded(ExpertEntryPointName, [&] { ok = init(m_services, &RegisterExpertProc, &m_addIns[index].terminate); });
  if (!ok) std::cerr << "ide-host: add-in " << path << " declined to start" << std::endl;
  // The library stays loaded even when it declined: it may have registered
  // objects whose code lives in it.
  RebuildToolsMenu();
  return ok;
}

bool IdeHost::ConnectAddIn(TExpertInitProc init, const std::string& label) {
  if (m_shutDown || !init) return false;
  m_addIns.push_back(AddIn{label, nullptr, nullptr});
  const std::size_t index = m_addIns.size() - 1;
  bool ok = false;
  Guarded(ExpertEntryPointName, [&] { ok = init(m_services, &RegisterExpertProc, &m_addIns[index].terminate); });
  RebuildToolsMenu();
  return ok;
}

bool IdeHost::RegisterExpert(TIExpert* expert) {
  if (!expert || m_shutDown) return false;
  if (std::find(m_experts.begin(), m_experts.end(), expert) != m_experts.end()) return false;
  m_experts.push_back(expert);  // the host now holds the reference it was given
  RebuildToolsMenu();
  return true;
}

bool IdeHost::AttachNotifier(TIAddInNotifier* notifier) {
  if (!notifier || m_shutDown) return false;
  if (std::find(m_notifiers.begin(), m_notifiers.end(), notifier) != m_notifiers.end()) return false;
  notifier->AddRef();
  m_notifiers.push_back(notifier);
  return true;
}

bool IdeHost::DetachNotifier(TIAddInNotifier* notifier) {
  auto it = std::find(m_notifiers.begin(), m_notifiers.end(), notifier);
  if (it == m_notifiers.end()) return false;
  m_notifiers.erase(it);
  notifier->Release();
  return true;
}

void IdeHost::ReportError(const std::string& message) {
  std::cerr << "ide-host: add-in error: " << message << std::endl;
  const QString text = QString::fromLocal8Bit(message.c_str());
  if (showError)
    showError(text);
  else
    QMessageBox::critical(m_main, QStringLiteral("ide-host"), text);
}

bool IdeHost::SendNotification(TFileNotification code, const std::string& path) {
  bool cancel = false;
  // A notifier may detach itself or others while being notified.
  const std::vector<TIAddInNotifier*> snapshot = m_notifiers;
  for (TIAddInNotifier* n : snapshot) {
    if (std::find(m_notifiers.begin(), m_notifiers.end(), n) == m_notifiers.end()) continue;
    n->AddRef();
    Guarded("HandleNotification", [&] { n->HandleNotification(code, path, cancel); });
    n->Release();
  }
  return cancel;
}

void IdeHost::Notify(int code, const std::string& path) {
  SendNotification(static_cast<TFileNotification>(code & 0xFF), path);
}

void IdeHost::ApplyLayout(const DesktopLayout& layout) {
  const std::pair<const char*, QWidget*> windows[] = {{"TAppBuilder", m_main},
                                                      {"TPropertyInspector", m_inspector}};
  for (const auto& [name, w] : windows) {
    auto it = layout.find(name);
    if (it == layout.end() || !w) continue;
    const platform::Rect& r = it->second;
    platform::MoveWindow(platform::HandleOf(w), r.left, r.top, r.Width(), r.Height(), true);
  }
}

DesktopLayout IdeHost::CurrentLayout() const {
  DesktopLayout layout;
  platform::Rect r;
  if (m_main && platform::GetWindowRect(platform::HandleOf(m_main), r)) layout["TAppBuilder"] = r;
  if (m_inspector && platform::GetWindowRect(platform::HandleOf(m_inspector), r))
    layout["TPropertyInspector"] = r;
  return layout;
}

void IdeHost::LoadDesktop(const std::string& path, TFileNotification code) {
  DesktopLayout layout;
  if (ReadDesktop(path, layout)) ApplyLayout(layout);
  SendNotification(code, path);
}

void IdeHost::LoadDefaultDesktop() {
  if (m_shutDown) return;
  LoadDesktop(DefaultDesktopPath(), fnDefaultDesktopLoad);
}

void IdeHost::NewProject() {
  OpenProject((QDir::currentPath() + QStringLiteral("/Project1.dpr")).toStdString());
}

void IdeHost::ChooseAndOpenProject() {
  QFileDialog dialog(m_main, QStringLiteral("Open Project"));
  dialog.setObjectName(QStringLiteral("OpenProjectDialog"));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilters({QStringLiteral("Projects (*.dpr)"), QStringLiteral("All files (*)")});
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  OpenProject(dialog.selectedFiles().first().toStdString());
}

void IdeHost::OpenProject(const std::string& path) {
  if (m_shutDown || path.empty()) return;
  const QString absolute = QDir::cleanPath(QFileInfo(QString::fromStdString(path)).absoluteFilePath());
  if (!m_project.empty()) {
    CloseProject();
    if (!m_project.empty()) return;  // a notifier kept the old project open
  }
  m_project = absolute.toStdString();
  m_componentCount = 0;
  m_main->SetProjectTitle(QFileInfo(absolute).completeBaseName());
  m_main->CloseProjectAction()->setEnabled(true);
  m_inspector->show();
  SelectComponent(QStringLiteral("Form1"), QStringLiteral("TForm1"));
  LoadDesktop(DesktopPathFor(m_project), fnProjectDesktopLoad);
}

void IdeHost::SaveDesktop() {
  if (m_shutDown) return;
  const bool haveProject = !m_project.empty();
  const std::string path = haveProject ? DesktopPathFor(m_project) : DefaultDesktopPath();
  if (SendNotification(haveProject ? fnProjectDesktopSave : fnDefaultDesktopSave, path)) return;
  if (!WriteDesktop(path, CurrentLayout()))
    std::cerr << "ide-host: cannot write desktop file " << path << std::endl;
}

void IdeHost::CloseProject() {
  if (m_shutDown || m_project.empty()) return;
  if (SendNotification(fnProjectClosing, m_project)) return;
  m_project.clear();
  m_main->SetProjectTitle(QString());
  m_main->CloseProjectAction()->setEnabled(false);
  SelectComponent(QString(), QString());
}

void IdeHost::SelectComponent(const QString& name, const QString& className) {
  m_inspector->SetComponent(name, className);
}

void IdeHost::RunExpert(TIExpert* expert) {
  if (std::find(m_experts.begin(), m_experts.end(), expert) == m_experts.end()) return;
  Guarded("Execute", [&] { expert->Execute(); });
}

bool IdeHost::ChooseMenu(const std::string& text) {
  for (TIExpert* e : m_experts) {
    bool match = false;
    Guarded("GetMenuText", [&] {
      match = e->GetStyle() == esStandard && (e->GetState() & esEnabled) && e->GetMenuText() == text;
    });
    if (match) {
      RunExpert(e);
      return true;
    }
  }
  return false;
}

void IdeHost::RebuildToolsMenu() {
  QMenu* tools = m_main ? m_main->ToolsMenu() : nullptr;
  if (!tools) return;
  tools->clear();
  for (TIExpert* e : m_experts) {
    std::string text;
    TExpertStyle style = esAddIn;
    TExpertState state = 0;
    Guarded("GetMenuText", [&] {
      style = e->GetStyle();
      if (style != esStandard) return;
      text = e->GetMenuText();
      state = e->GetState();
    });
    if (style != esStandard) continue;
    QAction* a = tools->addAction(QString::fromLocal8Bit(text.c_str()).replace('&', QStringLiteral("&&")));
    a->setEnabled(state & esEnabled);
    if (state & esChecked) {
      a->setCheckable(true);
      a->setChecked(true);
    }
    connect(a, &QAction::triggered, this, [this, e] { RunExpert(e); });
  }
  if (tools->isEmpty()) tools->addAction(QStringLiteral("(no add-ins)"))->setEnabled(false);
}

void IdeHost::Shutdown() {
  if (m_shutDown) return;
  m_shutDown = true;
  // Add-ins close their windows while the main window, their owner, is still there.
  for (auto it = m_addIns.rbegin(); it != m_addIns.rend(); ++it)
    if (it->terminate) Guarded("the termination procedure", it->terminate);
  DeleteDeferred();
  // Whatever the add-ins left attached or registered goes back to them before
  // their code is unloaded.
  for (TIAddInNotifier* n : std::exchange(m_notifiers, {})) n->Release();
  if (m_main) m_main->ToolsMenu()->clear();
  for (TIExpert* e : std::exchange(m_experts, {})) Guarded("Release", [e] { e->Release(); });
  // Every window goes, add-in windows among them, while their code is loaded.
  delete m_inspector;
  m_inspector = nullptr;
  delete m_main;
  m_main = nullptr;
  QList<QPointer<QWidget>> rest;
  for (QWidget* w : QApplication::topLevelWidgets()) rest.append(w);
  for (const QPointer<QWidget>& w : rest)
    if (w && !w->parentWidget()) delete w.data();
  DeleteDeferred();
  static_cast<HostServicesImpl*>(m_services)->host = nullptr;
  for (auto it = m_addIns.rbegin(); it != m_addIns.rend(); ++it)
    if (it->library) ::dlclose(it->library);
  m_addIns.clear();
  m_services->Release();
  m_services = nullptr;
}

}  // namespace host
