// A desktop with the key driver model and plimset, for the dispatcher tests.
#pragma once

#include <gtest/gtest.h>

#include "dispatcher/plimset.h"
#include "dispatcher/sim_program.h"
#include "notebook/companions.h"
#include "platform/sim/desktop.h"
#include "platform/sim/process.h"
#include "platform/sim/registry.h"
#include "platform/sim/travok.h"
#include "tests/support/expected_trace.h"

namespace plimset_test {

using notebook::Companion;
using sim::Ms;
using sim::TraceEvent;

constexpr char kModulePath[] = "C:\\Notebook\\plimset.exe";

inline sim::StartOptions PlimsetOptions(const OSVERSIONINFOA& version = sim::Windows2000()) {
  sim::StartOptions options;
  options.modulePath = kModulePath;
  options.version = version;
  return options;
}

class PlimsetTest : public ::testing::Test {
 protected:
  sim::Desktop desktop;
  sim::TravokModel& travok = sim::InstallTravok();

  int StartPlimset(const sim::StartOptions& options = PlimsetOptions()) {
    pid = desktop.Start(plimset::SimProgram(), options);
    return pid;
  }
  // Starts plimset and lets it reach its message loop.
  int StartAndSettle(const sim::StartOptions& options = PlimsetOptions()) {
    StartPlimset(options);
    desktop.RunUntilQuiet(Ms(1));
    return pid;
  }
  HWND MainWindow() const { return desktop.Find("PLIMSET", "Plimset"); }
  // A key press that reaches the driver's queue at virtual time `atMs`.
  void PressAt(int64_t atMs, WORD key) {
    desktop.At(Ms(atMs), [this, key] { travok.PushKey(key); });
  }
  // Control codes sent to the driver, in order, with the word each carried.
  std::vector<std::pair<DWORD, WORD>> ControlRequests() const {
    std::vector<std::pair<DWORD, WORD>> requests;
    for (const sim::DeviceCall& call : travok.ControlCalls()) requests.emplace_back(call.code, call.wordIn);
    return requests;
  }

  int pid = 0;
};

}  // namespace plimset_test
