// Named bitmap resources compiled into the add-in.
//
// Every PNG in the repository's resources/ folder is compiled into the add-in
// library and reachable by its file name without extension ("BMP_OPEN_FILE"
// for resources/BMP_OPEN_FILE.png).
#pragma once

#include <QPixmap>
#include <QString>

namespace tk {

// The picture, or a null pixmap when no resource has that name.
inline QPixmap LoadResourceBitmap(const QString& name) {
  return QPixmap(QStringLiteral(":/res/") + name);
}

}  // namespace tk
