#include "platform/backend/x11/X11Session.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>

#include "platform/backend/x11/Xcb.h"

namespace platform::x11 {

SessionFacts ReadSessionFacts(xcb_connection_t* c, xcb_window_t root) {
  SessionFacts f;
  if (qGuiApp)
    for (QScreen* s : QGuiApplication::screens()) f.outputNames.push_back(s->name().toStdString());
  if (!c) return f;
  if (const auto check = Cardinal(c, root, Intern(c, "_NET_SUPPORTING_WM_CHECK"), XCB_ATOM_WINDOW))
    f.wmName = Text(c, *check, Intern(c, "_NET_WM_NAME"));
  const std::vector<std::uint32_t> supported = Cardinals(c, root, Intern(c, "_NET_SUPPORTED"), XCB_ATOM_ATOM);
  const xcb_atom_t moveResize = Intern(c, "_NET_MOVERESIZE_WINDOW");
  f.moveResizeListed = std::find(supported.begin(), supported.end(), moveResize) != supported.end();
  return f;
}

namespace {
std::function<bool(CompositorActivated, HWND)>& ActivationHandler() {
  static std::function<bool(CompositorActivated, HWND)> handler;
  return handler;
}
}  // namespace

bool NoteCompositorActivation(CompositorActivated what, HWND from) {
  return ActivationHandler() && ActivationHandler()(what, from);
}

void SetCompositorActivationHandler(std::function<bool(CompositorActivated, HWND)> handler) { ActivationHandler() = std::move(handler); }

const Session& CurrentSession() {
  static const Session session = [] {
    const Connection d(nullptr);
    return ClassifySession(ReadSessionFacts(d.get(), d.Root()));
  }();
  return session;
}

}  // namespace platform::x11
