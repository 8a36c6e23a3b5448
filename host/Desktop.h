// Desktop files: where the IDE's windows stood, keyed by window class.
//
// The file is plain text, one window a line under a "[Desktop]" header:
//
//   [Desktop]
//   TAppBuilder=0,0,1024,100
//   TPropertyInspector=10,110,210,510
//
// A rectangle is left, top, right, bottom (right and bottom exclusive).  On
// reading, lines that do not parse, rectangles that are empty or wider or
// higher than 32767 pixels, and coordinates outside +-32767 are skipped, so a
// damaged file can move a window only to a sane rectangle.  The first entry
// for a class wins.
#pragma once

#include <map>
#include <string>

#include "platform/Windows.h"

namespace host {

using DesktopLayout = std::map<std::string, platform::Rect>;

// The desktop file of a project: the project's path with the extension of its
// file name replaced by (or, without one, extended with) ".dsk".
std::string DesktopPathFor(const std::string& projectPath);

DesktopLayout ParseDesktop(const std::string& text);
std::string FormatDesktop(const DesktopLayout& layout);

// False when the file does not exist or cannot be read; layout is then empty.
bool ReadDesktop(const std::string& path, DesktopLayout& layout);
// False when the file could not be written completely.
bool WriteDesktop(const std::string& path, const DesktopLayout& layout);

}  // namespace host
