// The program-wide state of plimset: one of each for the whole process.
#pragma once

#include "dispatcher/plimset.h"

namespace plimset {

constexpr int kTextBufferSize = 100;

struct ProgramState {
  char windowTitle[kTextBufferSize];
  char windowClassName[kTextBufferSize];
  HINSTANCE instance;
  HWND mainWindow;
  // The only handle to the key driver; never closed (the process end does).
  HANDLE travokDevice;
  // 1 while the 100 ms poll phase is on.
  int fastPolling;
  // 0 until the first non-zero classification, which then stays.
  int cachedOsFamily;
};

ProgramState& State();

}  // namespace plimset
