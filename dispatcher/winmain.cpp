// The Windows entry point of plimset.exe.
#include "dispatcher/plimset.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand) {
  return plimset::WinMain(instance, previous, commandLine, showCommand);
}
