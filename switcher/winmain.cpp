// The Windows entry point of kelvane.exe. The program's static objects are
// ordinary statics there, built by the runtime before this runs.
#include "switcher/kelvane.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand) {
  return kelvane::WinMain(instance, previous, commandLine, showCommand);
}
