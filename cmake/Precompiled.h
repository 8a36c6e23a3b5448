// The headers nearly every source of the programs parses: the Qt widget, paint
// and event headers and the standard containers.  Precompiled once per target
// when EDGETUCKER_PCH is on (./run and ./run-package), they take most of the
// parsing off each file's compile; the sources still include what they use.
#include <QApplication>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QScreen>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>
