#include "engine/Hook.h"

#include "mgwatch/mgwatch.h"

bool Watching = false;

void StartWatching(platform::HWND panelWindow) {
  Watching = true;
  SetHook(panelWindow);
}

void StopWatching() {
  Watching = false;
  ResetHook();
}
