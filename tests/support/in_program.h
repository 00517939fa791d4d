// Runs a piece of test code as the entry of a simulated program, for the
// Win32 calls whose answer depends on the calling program (environment,
// current directory, command line, version, modules).
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <utility>

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

// Starts a program whose entry runs `body`, runs the desktop until quiet and
// checks that the program ended normally. Returns its pid.
inline int RunInProgram(sim::Desktop& desktop, const sim::StartOptions& options, std::function<void()> body) {
  ProgramBody() = std::move(body);
  static const sim::ProgramImage image{"test-program", RunProgramBody, nullptr, nullptr};
  const int pid = desktop.Start(image, options);
  desktop.RunUntilQuiet();
  EXPECT_FALSE(desktop.IsRunning(pid));
  EXPECT_EQ(desktop.ExitCode(pid), 0);
  ProgramBody() = nullptr;
  return pid;
}

inline int RunInProgram(sim::Desktop& desktop, std::function<void()> body,
                        const sim::StartOptions& options = sim::StartOptions()) {
  return RunInProgram(desktop, options, std::move(body));
}

}  // namespace simtest
