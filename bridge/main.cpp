// edgetucker-bridge: hosts the add-in beside a real IDE on this X display.
#include <sys/socket.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QMenu>
#include <QPainter>
#include <QSocketNotifier>
#include <QSystemTrayIcon>
#include <QTimer>
#include <csignal>
#include <iostream>
#include <memory>

#include "bridge/Bridge.h"
#include "bridge/CommandLine.h"
#include "bridge/IdeEvents.h"
#include "bridge/IdeProfile.h"
#include "bridge/LazarusPackage.h"
#include "bridge/SingleInstance.h"
#include "bridge/XWatch.h"
#include "platform/backend/Backend.h"
#include "platform/backend/x11/X11Session.h"

#ifndef EDGETUCKER_INSTALL_LIBDIR
#define EDGETUCKER_INSTALL_LIBDIR ""
#endif
#ifndef EDGETUCKER_INSTALL_LAZARUS_PACKAGE
#define EDGETUCKER_INSTALL_LAZARUS_PACKAGE ""
#endif

namespace {

using namespace bridge;

int g_signalPipe[2] = {-1, -1};
int g_argc = 0;
char** g_argv = nullptr;

void OnSignal(int) {
  const char c = 1;
  [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[1], &c, 1);
}

// Ends the event loop on SIGTERM and SIGINT, so that the add-in is told the
// project closed (its windows come home) and the notes are written.
void QuitOnSignals(QApplication& app) {
  if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) != 0) return;
  auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, &app);
  QObject::connect(notifier, &QSocketNotifier::activated, &app, [] {
    char c;
    [[maybe_unused]] const ssize_t n = ::read(g_signalPipe[0], &c, 1);
    // exit, not quit: Qt's quit gives up when a window turns its close down,
    // as the add-in's panel does while it is shown.
    QCoreApplication::exit(0);
  });
  struct sigaction sa {};
  sa.sa_handler = &OnSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGINT, &sa, nullptr);
}

std::string AddInPath(const BridgeCommand& cmd) {
  if (!cmd.addIn.empty()) return cmd.addIn;
  const QString beside = QCoreApplication::applicationDirPath() + QStringLiteral("/libedgetucker.so");
  if (QFileInfo::exists(beside) || !*EDGETUCKER_INSTALL_LIBDIR) return beside.toStdString();
  return std::string(EDGETUCKER_INSTALL_LIBDIR) + "/libedgetucker.so";
}

// A window with its strip at the top: what the add-in does, in 32 pixels.
QIcon TrayPicture() {
  QPixmap pm(32, 32);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setPen(QPen(QColor(40, 40, 40), 2));
  p.setBrush(QColor(235, 235, 235));
  p.drawRect(4, 9, 24, 19);
  p.fillRect(4, 3, 25, 5, QColor(30, 90, 200));
  return QIcon(pm);
}

int ListWindows(const std::vector<IdeProfile>& profiles) {
  const platform::WindowSystem* ws = platform::CurrentBackends().windows;
  if (!ws || QGuiApplication::platformName() != QLatin1String("xcb")) {
    std::cerr << "edgetucker-bridge: needs an X11 display" << std::endl;
    return 3;
  }
  int count = 0;
  for (platform::HWND h : ws->Stacking()) {
    const std::optional<platform::WindowIdentity> id = ws->Identify(h);
    if (!id) continue;
    ++count;
    std::string claim;
    for (const IdeProfile& p : profiles) {
      if (Matches(p.main, *id)) claim = p.name + " main";
      else if (Matches(p.inspector, *id)) claim = p.name + " inspector";
      if (!claim.empty()) break;
    }
    std::cout << "0x" << std::hex << h << std::dec << "  pid " << id->pid << "  (\"" << id->instance << "\", \""
              << id->cls << "\")  \"" << id->title << "\"" << (claim.empty() ? "" : "  <- " + claim) << "\n";
  }
  if (count == 0) {
    // Our own process has no window yet: an empty list means the window
    // system in this build sees no other program's windows.
    std::cerr << "edgetucker-bridge: no windows of other programs can be seen here "
                 "(this build has no X11 window-system backend, or the desktop is empty)"
              << std::endl;
    return 3;
  }
  return 0;
}

// The event the IDE's package passes on (--ide-event, or its state with --panel).
IdeEvent EventOf(const BridgeCommand& cmd) {
  const bool open = cmd.ideEvent != kIdeProjectClosing && !cmd.project.empty();
  return IdeEvent{cmd.ideEvent ? cmd.ideEvent : (open ? kIdeProjectOpened : kIdeProjectClosing), cmd.idePid,
                  cmd.project, cmd.desktop};
}

// Waits long enough for the add-in to bring windows home (a slide of 30 steps).
constexpr int kIdeEventWaitMs = 15000;

int LazarusPackage(const BridgeCommand& cmd) {
  QCoreApplication app(g_argc, g_argv);
  LazarusSetup setup;
  setup.config = cmd.lazarusConfig;
  setup.bridge = QCoreApplication::applicationFilePath().toStdString();
  setup.packageSource =
      FindPackageSource(QCoreApplication::applicationDirPath().toStdString(), EDGETUCKER_INSTALL_LAZARUS_PACKAGE);
  return cmd.installLazarus ? InstallLazarusPackage(setup) : UninstallLazarusPackage(setup);
}

}  // namespace

int main(int argc, char** argv) {
  g_argc = argc;
  g_argv = argv;
  std::vector<std::string> args(argv + 1, argv + argc);
  const BridgeCommand cmd = ParseCommandLine(args);
  if (!cmd.error.empty()) {
    std::cerr << "edgetucker-bridge: " << cmd.error << std::endl;
    return 2;
  }
  if (cmd.help) {
    std::cout << HelpText();
    return 0;
  }
  if (cmd.installLazarus || cmd.uninstallLazarus) return LazarusPackage(cmd);
  if (cmd.ideEvent) {
    // Only passed on: an IDE's event never starts a bridge.
    QCoreApplication app(argc, argv);
    SingleInstance running(InstanceName(qEnvironmentVariable("DISPLAY"), ::getuid()));
    if (running.Forward(QByteArray::fromStdString(FormatIdeEvent(EventOf(cmd))), kIdeEventWaitMs)) return 0;
    std::cerr << "edgetucker-bridge: no bridge runs for this display; the IDE's event is dropped" << std::endl;
    return 1;
  }

  QApplication app(argc, argv);
  app.setQuitOnLastWindowClosed(false);  // the panel and dialogs come and go

  std::vector<std::string> warnings;
  const std::vector<IdeProfile> profiles = LoadProfiles(DefaultProfilesPath(), &warnings);
  for (const std::string& w : warnings) std::cerr << "edgetucker-bridge: " << w << std::endl;
  if (cmd.listWindows) return ListWindows(profiles);
  if (!cmd.ide.empty() && !FindProfile(profiles, cmd.ide)) {
    std::string names;
    for (const IdeProfile& p : profiles) names += (names.empty() ? "" : ", ") + p.name;
    std::cerr << "edgetucker-bridge: no IDE profile named \"" << cmd.ide << "\" (there are: " << names << ")"
              << std::endl;
    return 2;
  }

  SingleInstance instance(InstanceName(qEnvironmentVariable("DISPLAY"), ::getuid()));
  const QByteArray command = cmd.panel ? QByteArrayLiteral("panel") : QByteArrayLiteral("start");
  const bool ideState = cmd.panel && cmd.idePid != 0;
  if (ideState && instance.Running())
    instance.Forward(QByteArray::fromStdString(FormatIdeEvent(EventOf(cmd))), kIdeEventWaitMs);
  if (instance.Forward(command)) {
    if (!cmd.panel) std::cerr << "edgetucker-bridge: already running for this display" << std::endl;
    return 0;
  }
  if (!instance.Listen()) {
    std::cerr << "edgetucker-bridge: another bridge runs for this display but did not answer" << std::endl;
    return 1;
  }

  platform::WindowSystem* desktop = platform::CurrentBackends().windows;
  if (!desktop) {
    std::cerr << "edgetucker-bridge: no window system to work with" << std::endl;
    return 3;
  }
  Bridge::Options options;
  options.profiles = profiles;
  options.ide = cmd.ide;
  options.addInPath = AddInPath(cmd);
  options.statePath = DefaultStatePath();
  auto bridge = std::make_unique<Bridge>(*desktop, options);
  platform::InstallBackends(platform::Backends{&bridge->Windows(), nullptr, nullptr});
  // The IDE's windows count toward the activation as the bridge's own do: the
  // platform decides with this rule on every focus change, and anew when the
  // bridge finds or loses the IDE.
  platform::SetActivationOwner([b = bridge.get()](platform::HWND h) { return b->CountsAsOwn(h); });
  QObject::connect(bridge.get(), &Bridge::attached, bridge.get(), [] { platform::ReevaluateActivation(); });
  QObject::connect(bridge.get(), &Bridge::detached, bridge.get(), [] { platform::ReevaluateActivation(); });

  XWatch watch;
  QTimer settle;  // many events of one change make one look at the desktop
  settle.setSingleShot(true);
  settle.setInterval(30);
  QObject::connect(&settle, &QTimer::timeout, bridge.get(), [&] { bridge->Update(); });
  watch.wantsTitles = [&](std::uintptr_t w) {
    const std::optional<platform::WindowIdentity> id = desktop->Identify(w);
    if (!id) return false;
    for (const IdeProfile& p : profiles)
      if (ClassMatches(p.main, *id) || ClassMatches(p.inspector, *id)) return true;
    return false;
  };
  if (watch.Open()) {
    QObject::connect(&watch, &XWatch::windowsChanged, &settle, qOverload<>(&QTimer::start));
    QObject::connect(&watch, &XWatch::titlesChanged, &settle, qOverload<>(&QTimer::start));
    QObject::connect(&watch, &XWatch::framesMoved, bridge.get(), [&] { bridge->FramesMoved(); });
  } else {
    std::cerr << "edgetucker-bridge: cannot listen to the X server's events; looking at the desktop every second"
              << std::endl;
    settle.setSingleShot(false);
    settle.setInterval(1000);
    settle.start();
  }

  bool panelWanted = cmd.panel;
  auto showPanel = [&] { panelWanted = !bridge->ShowPanel(); };
  QObject::connect(&instance, &SingleInstance::commandReceived, bridge.get(), [&](const QByteArray& c) {
    if (c == "panel") {
      showPanel();
    } else if (c.startsWith("ide\t")) {
      if (const std::optional<IdeEvent> e = ParseIdeEvent(c.toStdString()))
        bridge->IdeSays(*e);
      else
        std::cerr << "edgetucker-bridge: an IDE event that does not read: " << c.left(200).toStdString() << std::endl;
    }
  });
  // Started from the IDE's menu: the IDE's state came along.
  if (ideState) bridge->IdeSays(EventOf(cmd));

  std::unique_ptr<QSystemTrayIcon> tray;
  QMenu trayMenu;
  QAction* entry = trayMenu.addAction(QStringLiteral("(waiting for the IDE)"));
  entry->setEnabled(false);
  QObject::connect(entry, &QAction::triggered, bridge.get(), [&] { showPanel(); });
  trayMenu.addSeparator();
  QObject::connect(trayMenu.addAction(QStringLiteral("Quit the bridge")), &QAction::triggered, &app,
                   [] { QCoreApplication::exit(0); });
  if (QSystemTrayIcon::isSystemTrayAvailable()) {
    tray = std::make_unique<QSystemTrayIcon>(TrayPicture());
    tray->setContextMenu(&trayMenu);
    tray->setToolTip(QStringLiteral("edgetucker-bridge"));
    QObject::connect(tray.get(), &QSystemTrayIcon::activated, bridge.get(), [&](QSystemTrayIcon::ActivationReason r) {
      if (r == QSystemTrayIcon::Trigger || r == QSystemTrayIcon::DoubleClick) showPanel();
    });
    tray->show();
  }
  QObject::connect(bridge.get(), &Bridge::attached, bridge.get(), [&] {
    const std::string text = bridge->Host().MenuText();
    if (!text.empty()) {
      entry->setText(QString::fromLocal8Bit(text.c_str()).replace(u'&', QStringLiteral("&&")));
      entry->setEnabled(true);
      if (tray) tray->setToolTip(entry->text());
    }
    if (panelWanted) QTimer::singleShot(0, bridge.get(), showPanel);
  });

  QuitOnSignals(app);
  QObject::connect(&app, &QCoreApplication::aboutToQuit, bridge.get(), [&] { bridge->Quit(); });
  bridge->Update();
  std::cerr << "edgetucker-bridge: running for display " << qPrintable(qEnvironmentVariable("DISPLAY")) << std::endl;
  // Once: which session this is, and what holds in it.
  std::cerr << "edgetucker-bridge: " << platform::x11::DescribeSession(platform::x11::CurrentSession());
  const int rc = app.exec();
  tray.reset();
  platform::SetActivationOwner({});
  platform::RestoreDefaultBackends();
  bridge.reset();
  return rc;
}
