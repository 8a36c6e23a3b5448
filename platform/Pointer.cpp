#include "platform/Pointer.h"

#include <QCursor>
#include <map>

namespace platform {
namespace {

struct Observers {
  std::map<int, CursorObserver> byId;
  int next = 1;
};

Observers& observers() {
  static Observers o;
  return o;
}

}  // namespace

Point GetCursorPos() {
  const QPoint p = QCursor::pos();
  return Point{p.x(), p.y()};
}

void SetCursorPos(Point pt) {
  QCursor::setPos(pt.x, pt.y);
  // Copy first: an observer may add or remove observers.
  const auto current = observers().byId;
  for (const auto& [id, fn] : current) fn(pt);
}

int AddCursorObserver(CursorObserver observer) {
  Observers& o = observers();
  const int id = o.next++;
  o.byId.emplace(id, std::move(observer));
  return id;
}

void RemoveCursorObserver(int id) { observers().byId.erase(id); }

}  // namespace platform
