// Runs a piece of test code as the entry of a simulated program, for the
// Win32 calls whose answer depends on the calling program.
#pragma once

#include <functional>

#include "platform/sim/desktop.h"

namespace simtest {

inline std::function<void()>& ProgramBody() {
  static std::function<void()> body;
  return body;
}

inline int RunProgramBody(HINSTANCE, HINSTANCE, LPSTR, int) {
  ProgramBody()();
  return 0;
}

// Starts a program whose entry runs `body`, and runs the desktop until quiet.
inline int RunInProgram(sim::Desktop& desktop, std::function<void()> body,
                        const sim::StartOptions& options = sim::StartOptions()) {
  ProgramBody() = std::move(body);
  static const sim::ProgramImage image{"probe", RunProgramBody, nullptr, nullptr};
  const int pid = desktop.Start(image, options);
  desktop.RunUntilQuiet();
  return pid;
}

}  // namespace simtest
