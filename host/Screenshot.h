// Pictures of the whole screen, for scripts and demos.
#pragma once

#include <QColor>
#include <QImage>
#include <QString>

namespace host {

// The colour of the desktop behind all windows.
inline QColor DesktopColour() { return QColor(0, 128, 128); }

// The primary screen as a user would see it: the desktop colour, every visible
// top-level window drawn at its place in window order (bottom first), and an
// arrow at the cursor position.
QImage ComposeScreen();

// Saves ComposeScreen() as PNG; false when the file could not be written.
bool SaveScreenshot(const QString& file);

}  // namespace host
