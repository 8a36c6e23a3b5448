#include "platform/backend/x11/X11Session.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>

#include "platform/backend/x11/Xcb.h"

namespace platform::x11 {
namespace {

std::vector<xcb_atom_t> Atoms(xcb_connection_t* c, xcb_window_t w, xcb_atom_t prop, xcb_atom_t type) {
  std::vector<xcb_atom_t> out;
  auto r = Own(xcb_get_property_reply(c, xcb_get_property(c, 0, w, prop, type, 0, 4096), nullptr));
  if (!r || r->format != 32) return out;
  const auto* v = static_cast<const xcb_atom_t*>(xcb_get_property_value(r.get()));
  out.assign(v, v + xcb_get_property_value_length(r.get()) / 4);
  return out;
}

}  // namespace

SessionFacts ReadSessionFacts(xcb_connection_t* c, xcb_window_t root) {
  SessionFacts f;
  if (qGuiApp)
    for (QScreen* s : QGuiApplication::screens()) f.outputNames.push_back(s->name().toStdString());
  if (!c) return f;
  const std::vector<xcb_atom_t> check = Atoms(c, root, Intern(c, "_NET_SUPPORTING_WM_CHECK"), XCB_ATOM_WINDOW);
  if (!check.empty()) {
    auto r = Own(xcb_get_property_reply(
        c, xcb_get_property(c, 0, check[0], Intern(c, "_NET_WM_NAME"), XCB_ATOM_ANY, 0, 256), nullptr));
    if (r && r->format == 8)
      f.wmName.assign(static_cast<const char*>(xcb_get_property_value(r.get())),
                      static_cast<std::size_t>(xcb_get_property_value_length(r.get())));
  }
  const std::vector<xcb_atom_t> supported = Atoms(c, root, Intern(c, "_NET_SUPPORTED"), XCB_ATOM_ATOM);
  const xcb_atom_t moveResize = Intern(c, "_NET_MOVERESIZE_WINDOW");
  f.moveResizeListed = std::find(supported.begin(), supported.end(), moveResize) != supported.end();
  return f;
}

namespace {
std::function<void(bool)>& ActivationHandler() {
  static std::function<void(bool)> handler;
  return handler;
}
}  // namespace

void NoteCompositorActivation(bool native) {
  if (ActivationHandler()) ActivationHandler()(native);
}

void SetCompositorActivationHandler(std::function<void(bool native)> handler) { ActivationHandler() = std::move(handler); }

const Session& CurrentSession() {
  static const Session session = [] {
    const Display d = ConnectDisplay();
    const Session s = ClassifySession(ReadSessionFacts(d.conn, d.root));
    if (d.conn) xcb_disconnect(d.conn);
    return s;
  }();
  return session;
}

}  // namespace platform::x11
