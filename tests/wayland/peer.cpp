// wayland_peer: the tests' native Wayland application and the compositor's own
// pointer, in one process beside the IDE.
//
//   wayland_peer --pointer mutter|kwin|none COMMANDS REPLIES
//
// Shows a maximized native window (Qt's wayland platform; the X windows the
// IDE shows later stand above it) and prints "ready" on standard output once
// the compositor has shown it.  Then reads one command a line from the FIFO
// COMMANDS and answers each with one line on the FIFO REPLIES: "ok", or
// "fail WHY".
//
//   move X Y          glides the compositor's pointer to the desktop point
//                     (X, Y) as a hand moves a mouse: steps of at most 24
//                     pixels, one each 8 ms (a mouse reports at 125 Hz)
//   jump X Y          the pointer to (X, Y) in one step
//   click X Y         glide there, then press and release the first button
//   expect native|elsewhere MS
//                     waits until the pointer is over the native window (or
//                     not), as the compositor tells this client, at most MS
//   expect active|inactive MS
//                     waits until the native window is active (has the
//                     keyboard focus, as the compositor tells), or not
//   window show|hide  maps or unmaps the native window (unmapped, the desktop
//                     behind it is bare)
//   shot FILE         GNOME Shell's picture of the whole screen, its top bar
//                     and native windows among what it shows, to FILE (PNG);
//                     the shell takes pictures for a few bus names only,
//                     org.gnome.Screenshot among them, which the peer takes
//                     on the run's own session bus
//   mark NAME X Y W H keeps that part of a picture taken now under NAME
//   expect-mark NAME MS [HOLD]
//                     waits until a picture shows that part as it was kept,
//                     at most MS (pictures taken one after another); with
//                     HOLD, then every picture for HOLD ms must show it so
//                     (the compositor draws an X window's move a while after
//                     the X server has it: a picture taken at once may show
//                     what was)
//   quit
//
// The pointer moves the way a mouse does, so that the compositor sends what
// it sends for a mouse: under mutter through its remote-desktop interface on
// the session bus (relative motion only without a screen cast: the peer pins
// the pointer in the top-left corner at start and keeps count from there),
// under KWin through its fake-input protocol (absolute motion; KWin admits it
// with KWIN_WAYLAND_NO_PERMISSION_CHECKS=1).
#include <fcntl.h>
#include <linux/input-event-codes.h>
#include <unistd.h>

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QDir>
#include <QFileInfo>
#include <QElapsedTimer>
#include <QImage>
#include <QEvent>
#include <QGuiApplication>
#include <QPainter>
#include <QRasterWindow>
#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <map>
#include <memory>
#include <string>

#ifdef EDGETUCKER_PEER_FAKE_INPUT
#include <wayland-client.h>

#include "fake-input-client-protocol.h"
#endif

namespace {

// The native window: reports whether the pointer is over it.
class NativeWindow : public QRasterWindow {
public:
  bool inside = false;
  bool exposed = false;
  bool active = false;
  std::function<void()> onChange;

protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(QRect(QPoint(0, 0), size()), QColor(40, 110, 60));
  }
  bool event(QEvent* e) override {
    if (e->type() == QEvent::Enter || e->type() == QEvent::Leave) {
      inside = e->type() == QEvent::Enter;
      if (onChange) onChange();
    } else if (e->type() == QEvent::WindowActivate || e->type() == QEvent::WindowDeactivate) {
      active = e->type() == QEvent::WindowActivate;
      if (onChange) onChange();
    } else if (e->type() == QEvent::Expose && isExposed() && !exposed) {
      exposed = true;
      if (onChange) onChange();
    }
    return QRasterWindow::event(e);
  }
};

class Pointer {
public:
  virtual ~Pointer() = default;
  virtual bool Move(int x, int y) = 0;
  virtual bool Button(bool pressed) = 0;
  // Steps of at most kStep pixels from where the pointer was last put.
  bool Glide(int x, int y) {
    constexpr int kStep = 24;
    if (!m_known) return Jump(x, y);
    const int dx = x - m_x, dy = y - m_y;
    const int steps = std::max(1, (std::max(std::abs(dx), std::abs(dy)) + kStep - 1) / kStep);
    const int fromX = m_x, fromY = m_y;
    for (int i = 1; i <= steps; ++i) {
      if (i > 1) ::usleep(8000);
      if (!Jump(fromX + dx * i / steps, fromY + dy * i / steps)) return false;
    }
    return true;
  }
  bool Jump(int x, int y) {
    if (!Move(x, y)) return false;
    m_known = true;
    m_x = x;
    m_y = y;
    return true;
  }

protected:
  void Known(int x, int y) {
    m_known = true;
    m_x = x;
    m_y = y;
  }

private:
  bool m_known = false;
  int m_x = 0, m_y = 0;
};

// mutter: org.gnome.Mutter.RemoteDesktop, relative motion from a pinned corner.
class MutterPointer : public Pointer {
public:
  bool Open() {
    QDBusInterface rd("org.gnome.Mutter.RemoteDesktop", "/org/gnome/Mutter/RemoteDesktop",
                      "org.gnome.Mutter.RemoteDesktop");
    QDBusReply<QDBusObjectPath> path = rd.call("CreateSession");
    if (!path.isValid()) {
      std::cerr << "peer: CreateSession: " << path.error().message().toStdString() << std::endl;
      return false;
    }
    m_session = std::make_unique<QDBusInterface>("org.gnome.Mutter.RemoteDesktop", path.value().path(),
                                                 "org.gnome.Mutter.RemoteDesktop.Session");
    QDBusMessage started = m_session->call("Start");
    if (started.type() == QDBusMessage::ErrorMessage) {
      std::cerr << "peer: Start: " << started.errorMessage().toStdString() << std::endl;
      return false;
    }
    // Far past the top-left corner: the pointer stops at (0, 0).
    if (!Relative(-100000, -100000)) return false;
    m_x = m_y = 0;
    Known(0, 0);
    return true;
  }
  bool Move(int x, int y) override {
    if (!Relative(x - m_x, y - m_y)) return false;
    m_x = x;
    m_y = y;
    return true;
  }
  bool Button(bool pressed) override {
    return Ok(m_session->call("NotifyPointerButton", int(BTN_LEFT), pressed));
  }

private:
  bool Relative(double dx, double dy) {
    if (dx == 0 && dy == 0) return true;
    return Ok(m_session->call("NotifyPointerMotionRelative", dx, dy));
  }
  static bool Ok(const QDBusMessage& m) {
    if (m.type() != QDBusMessage::ErrorMessage) return true;
    std::cerr << "peer: " << m.errorMessage().toStdString() << std::endl;
    return false;
  }
  std::unique_ptr<QDBusInterface> m_session;
  int m_x = 0, m_y = 0;
};

#ifdef EDGETUCKER_PEER_FAKE_INPUT
// KWin: org_kde_kwin_fake_input on a Wayland connection of its own.
class KwinPointer : public Pointer {
public:
  ~KwinPointer() override {
    if (m_input) org_kde_kwin_fake_input_destroy(m_input);
    if (m_registry) wl_registry_destroy(m_registry);
    if (m_display) wl_display_disconnect(m_display);
  }
  bool Open() {
    m_display = wl_display_connect(nullptr);
    if (!m_display) return false;
    m_registry = wl_display_get_registry(m_display);
    static const wl_registry_listener listener{
        [](void* data, wl_registry* reg, uint32_t name, const char* iface, uint32_t version) {
          auto* self = static_cast<KwinPointer*>(data);
          if (std::string(iface) == org_kde_kwin_fake_input_interface.name && version >= 3)
            self->m_input = static_cast<org_kde_kwin_fake_input*>(
                wl_registry_bind(reg, name, &org_kde_kwin_fake_input_interface, 3));
        },
        [](void*, wl_registry*, uint32_t) {}};
    wl_registry_add_listener(m_registry, &listener, this);
    wl_display_roundtrip(m_display);
    if (!m_input) {
      std::cerr << "peer: the compositor offers no org_kde_kwin_fake_input of version 3" << std::endl;
      return false;
    }
    org_kde_kwin_fake_input_authenticate(m_input, "edgetucker tests", "moves the pointer");
    return wl_display_roundtrip(m_display) >= 0;
  }
  bool Move(int x, int y) override {
    org_kde_kwin_fake_input_pointer_motion_absolute(m_input, wl_fixed_from_int(x), wl_fixed_from_int(y));
    return wl_display_roundtrip(m_display) >= 0;
  }
  bool Button(bool pressed) override {
    org_kde_kwin_fake_input_button(m_input, BTN_LEFT, pressed ? 1 : 0);
    return wl_display_roundtrip(m_display) >= 0;
  }

private:
  wl_display* m_display = nullptr;
  wl_registry* m_registry = nullptr;
  org_kde_kwin_fake_input* m_input = nullptr;
};
#endif

std::string TakeShot(const std::string& file) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.registerService("org.gnome.Screenshot")) return "fail the bus name org.gnome.Screenshot is taken";
  QDBusInterface shell("org.gnome.Shell.Screenshot", "/org/gnome/Shell/Screenshot", "org.gnome.Shell.Screenshot",
                       bus);
  const QDBusMessage m = shell.call("Screenshot", false, false, QString::fromStdString(file));
  bus.unregisterService("org.gnome.Screenshot");
  if (m.type() == QDBusMessage::ErrorMessage) return "fail " + m.errorMessage().toStdString();
  if (m.arguments().isEmpty() || !m.arguments().front().toBool()) return "fail the shell took no picture";
  return "ok";
}

// A picture of the screen: "" or why there is none.
std::string Shoot(const std::string& file, QImage& whole) {
  const std::string why = TakeShot(file);
  if (why != "ok") return why;
  whole = QImage(QString::fromStdString(file));
  return whole.isNull() ? "fail no picture in " + file : "";
}

QImage Part(const QImage& whole, const QRect& area) { return whole.copy(area).convertToFormat(QImage::Format_RGB32); }

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5 || std::string(argv[1]) != "--pointer") {
    std::cerr << "usage: wayland_peer --pointer mutter|kwin|none COMMANDS REPLIES" << std::endl;
    return 2;
  }
  qputenv("QT_QPA_PLATFORM", "wayland");
  QGuiApplication app(argc, argv);
  const std::string kind = argv[2];
  std::unique_ptr<Pointer> pointer;
  if (kind == "mutter") {
    auto p = std::make_unique<MutterPointer>();
    if (!p->Open()) return 1;
    pointer = std::move(p);
  } else if (kind == "kwin") {
#ifdef EDGETUCKER_PEER_FAKE_INPUT
    auto p = std::make_unique<KwinPointer>();
    if (!p->Open()) return 1;
    pointer = std::move(p);
#else
    std::cerr << "peer: built without the fake-input protocol" << std::endl;
    return 1;
#endif
  } else if (kind != "none") {
    std::cerr << "peer: unknown pointer " << kind << std::endl;
    return 2;
  }

  // Read and write ends held open by this process: a FIFO never reads EOF
  // between two writers, nor blocks the opener.
  const int in = ::open(argv[3], O_RDWR | O_NONBLOCK);
  const int out = ::open(argv[4], O_RDWR);
  if (in < 0 || out < 0) {
    std::cerr << "peer: cannot open the FIFOs" << std::endl;
    return 1;
  }

  // Pictures go beside the FIFOs, in the run's folder.
  const std::string shotFile = QFileInfo(argv[3]).absoluteDir().filePath("peer-shot.png").toStdString();
  std::map<std::string, std::pair<QRect, QImage>> marks;

  NativeWindow window;
  window.setTitle("native-peer");
  window.resize(640, 400);
  bool announced = false;
  // A pending "expect": checked at each change, failed at its deadline
  // with what was seen instead.
  std::function<bool()> awaited;
  std::function<std::string()> seen;
  QTimer deadline;
  deadline.setSingleShot(true);
  auto reply = [out](const std::string& line) {
    const std::string l = line + "\n";
    if (::write(out, l.data(), l.size()) < 0) std::perror("peer: reply");
  };
  window.onChange = [&] {
    if (!announced && window.exposed) {
      announced = true;
      std::cout << "ready" << std::endl;
    }
    if (awaited && awaited()) {
      awaited = nullptr;
      deadline.stop();
      reply("ok");
    }
  };
  QObject::connect(&deadline, &QTimer::timeout, [&] {
    awaited = nullptr;
    reply("fail " + seen());
  });
  // Starts waiting for `what`, or answers at once when it holds.
  auto expect = [&](std::function<bool()> what, std::function<std::string()> instead, int ms) {
    if (what()) {
      reply("ok");
      return;
    }
    awaited = std::move(what);
    seen = std::move(instead);
    deadline.start(ms);
  };
  window.showMaximized();

  std::string buffer;
  auto handle = [&](const std::string& line) {
    char word[32] = {}, arg[32] = {};
    int x = 0, y = 0;
    if (std::sscanf(line.c_str(), "move %d %d", &x, &y) == 2) {
      reply(pointer && pointer->Glide(x, y) ? "ok" : "fail no pointer");
    } else if (std::sscanf(line.c_str(), "jump %d %d", &x, &y) == 2) {
      reply(pointer && pointer->Jump(x, y) ? "ok" : "fail no pointer");
    } else if (std::sscanf(line.c_str(), "click %d %d", &x, &y) == 2) {
      const bool ok = pointer && pointer->Glide(x, y) && pointer->Button(true) && pointer->Button(false);
      reply(ok ? "ok" : "fail no pointer");
    } else if (std::sscanf(line.c_str(), "expect %31s %d", word, &x) == 2 &&
               (std::string(word) == "active" || std::string(word) == "inactive")) {
      const bool want = std::string(word) == "active";
      expect([&window, want] { return window.active == want; },
             [&window] { return std::string("the native window is ") + (window.active ? "active" : "inactive"); }, x);
    } else if (std::sscanf(line.c_str(), "expect %31s %d", word, &x) == 2) {
      const bool want = std::string(word) == "native";
      expect([&window, want] { return window.inside == want; },
             [&window] {
               return std::string("the pointer is ") + (window.inside ? "over" : "not over") + " the native window";
             },
             x);
    } else if (std::sscanf(line.c_str(), "window %31s", arg) == 1) {
      if (std::string(arg) == "hide") {
        window.hide();
        window.inside = false;
      } else {
        window.showMaximized();
      }
      reply("ok");
    } else if (std::sscanf(line.c_str(), "shot %31s", arg) == 1) {
      reply(TakeShot(line.substr(5)));
    } else if (int w = 0, h = 0; std::sscanf(line.c_str(), "mark %31s %d %d %d %d", arg, &x, &y, &w, &h) == 5) {
      QImage whole;
      std::string why = Shoot(shotFile, whole);
      if (why.empty() && !whole.rect().contains(QRect(x, y, w, h))) why = "fail no picture of that part";
      if (why.empty()) marks[arg] = {QRect(x, y, w, h), Part(whole, QRect(x, y, w, h))};
      reply(why.empty() ? "ok" : why);
    } else if (int hold = 0; std::sscanf(line.c_str(), "expect-mark %31s %d %d", arg, &x, &hold) >= 2) {
      const auto mark = marks.find(arg);
      if (mark == marks.end()) {
        reply(std::string("fail no mark ") + arg);
      } else {
        auto shows = [&](std::string& why) {
          QImage whole;
          why = Shoot(shotFile, whole);
          if (why.empty() && Part(whole, mark->second.first) != mark->second.second)
            why = std::string("fail the picture shows ") + arg + " otherwise";
          return why.empty();
        };
        QElapsedTimer waited;
        waited.start();
        std::string why;
        while (!shows(why) && waited.elapsed() <= x) {
        }
        if (why.empty()) {
          waited.restart();
          while (waited.elapsed() <= hold && shows(why)) {
          }
          if (!why.empty()) why += " within " + std::to_string(hold) + " ms";
        }
        reply(why.empty() ? "ok" : why);
      }
    } else if (line == "quit") {
      reply("ok");
      app.quit();
    } else {
      reply("fail unknown command: " + line);
    }
  };
  QSocketNotifier readable(in, QSocketNotifier::Read);
  QObject::connect(&readable, &QSocketNotifier::activated, [&] {
    char chunk[512];
    for (ssize_t n; (n = ::read(in, chunk, sizeof chunk)) > 0;) buffer.append(chunk, std::size_t(n));
    for (std::size_t nl; (nl = buffer.find('\n')) != std::string::npos;) {
      const std::string line = buffer.substr(0, nl);
      buffer.erase(0, nl + 1);
      if (!line.empty()) handle(line);
    }
  });
  return app.exec();
}
