// The product's name as the IDE's menu, the expert's name and the control
// panel's normal caption show it.
#pragma once

inline constexpr const char* ProductCaption = "Edgetucker 1.2d";
