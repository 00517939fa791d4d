// Runs test code inside a simulated program, where the calls that belong to
// a process (environment, current directory, command line) have one.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <utility>

#include "platform/sim/desktop.h"

namespace strlib_test {

inline std::function<void()>& ProgramBody() {
  static std::function<void()> body;
  return body;
}

inline int RunProgramBody(HINSTANCE, HINSTANCE, LPSTR, int) {
  ProgramBody()();
  return 0;
}

// Starts a program whose entry runs `body`, and runs the desktop until it has
// ended. Returns the program's pid.
inline int RunInProgram(sim::Desktop& desktop, const sim::StartOptions& options, std::function<void()> body) {
  ProgramBody() = std::move(body);
  static const sim::ProgramImage image{"strlib-test", RunProgramBody, nullptr, nullptr};
  const int pid = desktop.Start(image, options);
  desktop.RunUntilQuiet();
  EXPECT_FALSE(desktop.IsRunning(pid));
  EXPECT_EQ(desktop.ExitCode(pid), 0);
  ProgramBody() = nullptr;
  return pid;
}

}  // namespace strlib_test
