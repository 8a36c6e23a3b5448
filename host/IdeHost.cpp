#include "host/IdeHost.h"

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
#include <iostream>
#include <utility>

#include "host/AppBuilder.h"
#include "host/PropertyWindow.h"
#include "host/XDesktop.h"
#include "platform/Screens.h"
#include "platform/Windows.h"

namespace host {
namespace {

void DeleteDeferred() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

}  // namespace

IdeHost::IdeHost() {
  m_main = new TAppBuilder;
  m_inspector = new TPropertyInspector;
  m_addIns.parentWindow = [this]() -> THostWindow { return m_main ? platform::HandleOf(m_main) : 0; };
  m_addIns.projectName = [this] { return m_project; };
  m_addIns.reportError = [this](const std::string& message) { ReportError(message); };
  m_addIns.expertsChanged = [this] { RebuildToolsMenu(); };
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

IdeHost::~IdeHost() { Shutdown(); }

void IdeHost::ShowWindows() {
  QScreen* screen = QGuiApplication::primaryScreen();
  const int width = screen ? screen->geometry().width() : 1024;
  // Below a panel along the top of the screen, as a window manager would put
  // them (it pushes a window asked onto the panel off it).
  const std::optional<platform::Monitor> primary = platform::PrimaryMonitor(platform::GetMonitors());
  const int top = primary ? std::max(0, primary->workArea.top - primary->bounds.top) : 0;
  const std::pair<QWidget*, platform::Rect> places[] = {{m_main, {0, top, width, top + 100}},
                                                        {m_inspector, {10, top + 110, 210, top + 510}}};
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
  std::string why;
  const auto result = m_addIns.Load(path, &why);
  if (result == addinhost::AddInCore::LoadResult::failed)
    std::cerr << "ide-host: " << why << "; going on without it" << std::endl;
  else if (result == addinhost::AddInCore::LoadResult::declined)
    std::cerr << "ide-host: " << why << std::endl;
  RebuildToolsMenu();
  return result == addinhost::AddInCore::LoadResult::started;
}

bool IdeHost::ConnectAddIn(TExpertInitProc init, const std::string& label) {
  if (m_shutDown) return false;
  const bool ok = m_addIns.Connect(init, label);
  RebuildToolsMenu();
  return ok;
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
  return m_addIns.Notify(code, path);
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

void IdeHost::RunExpert(TIExpert* expert) { m_addIns.Execute(expert); }

bool IdeHost::ChooseMenu(const std::string& text) {
  for (const auto& entry : m_addIns.MenuEntries()) {
    if ((entry.state & esEnabled) && entry.text == text) return m_addIns.Execute(entry.expert);
  }
  return false;
}

void IdeHost::RebuildToolsMenu() {
  QMenu* tools = m_main ? m_main->ToolsMenu() : nullptr;
  if (!tools) return;
  tools->clear();
  for (const auto& entry : m_addIns.MenuEntries()) {
    QAction* a = tools->addAction(QString::fromLocal8Bit(entry.text.c_str()).replace('&', QStringLiteral("&&")));
    a->setEnabled(entry.state & esEnabled);
    if (entry.state & esChecked) {
      a->setCheckable(true);
      a->setChecked(true);
    }
    connect(a, &QAction::triggered, this, [this, e = entry.expert] { RunExpert(e); });
  }
  if (tools->isEmpty()) tools->addAction(QStringLiteral("(no add-ins)"))->setEnabled(false);
}

void IdeHost::Shutdown() {
  if (m_shutDown) return;
  m_shutDown = true;
  // Add-ins close their windows while the main window, their owner, is still
  // there; whatever they left attached or registered goes back to them before
  // their code is unloaded.
  m_addIns.Terminate();
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
  m_addIns.Close(/*unloadLibraries=*/true);
}

}  // namespace host
