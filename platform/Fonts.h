// Font faces the forms ask for, and the faces that stand in for them here.
#pragma once

namespace platform {

// The forms ask for the classic sans faces; their metric twins stand in for
// them ("MS Sans Serif" and "Arial" become "Liberation Sans").  Installed when
// the application object is constructed; repeating the call is harmless.
void InstallFontSubstitutions();

}  // namespace platform
