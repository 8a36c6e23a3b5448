#include "host/HostApplication.h"

namespace host {
namespace {
int g_depth = 0;
bool g_counting = false;
}  // namespace

HostApplication::HostApplication(int& argc, char** argv) : QApplication(argc, argv) { g_counting = true; }

bool HostApplication::notify(QObject* receiver, QEvent* event) {
  // Events of other threads would make the count meaningless.
  if (receiver->thread() != thread()) return QApplication::notify(receiver, event);
  struct Depth {
    Depth() { ++g_depth; }
    ~Depth() { --g_depth; }
  } depth;
  return QApplication::notify(receiver, event);
}

int HostApplication::DeliveryDepth() { return g_counting ? g_depth : 0; }

}  // namespace host
