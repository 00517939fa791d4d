// A desktop with the power-profile library, the KELVANE driver model and
// kelvane, for the switcher tests.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/sim/desktop.h"
#include "platform/sim/files.h"
#include "platform/sim/kelvane_driver.h"
#include "platform/sim/modules.h"
#include "platform/sim/powrprof.h"
#include "platform/sim/process.h"
#include "platform/sim/services.h"
#include "switcher/kelvane.h"
#include "switcher/sim_program.h"

namespace kelvane_test {

using sim::Ms;
using sim::Nanos;
using sim::TraceEvent;

constexpr char kModulePath[] = "C:\\Notebook\\kelvane.exe";
constexpr char kDriverPath[] = "C:\\Notebook\\KELVANE.sys";
constexpr LONGLONG kOddFrequency = 3579545;

inline sim::StartOptions KelvaneOptions(const OSVERSIONINFOA& version = sim::Windows2000()) {
  sim::StartOptions options;
  options.modulePath = kModulePath;
  options.version = version;
  return options;
}

// Schemes as a notebook ships them; index 1 is active unless a test says so.
inline std::vector<sim::PowerProfileModel::Scheme> ThreeSchemes() {
  return {{0, "Home/Office Desk", ""}, {1, "Portable/Laptop", ""}, {2, "Presentation", ""}};
}

class KelvaneTest : public ::testing::Test {
 protected:
  KelvaneTest() {
    sim::AddFile(desktop, kModulePath);
    power.SetSchemes(ThreeSchemes());
    power.SetActiveIndex(1);
  }

  sim::Desktop desktop;
  sim::PowerProfileModel& power = sim::InstallPowerProfile();
  sim::KelvaneDriverModel& driver = sim::InstallKelvaneDriver();
  int pid = 0;

  int StartKelvane(const sim::StartOptions& options = KelvaneOptions()) {
    pid = desktop.Start(kelvane::SimProgram(), options);
    return pid;
  }
  // Starts kelvane and lets it reach its message loop.
  int StartAndSettle(const sim::StartOptions& options = KelvaneOptions()) {
    StartKelvane(options);
    desktop.RunUntilQuiet(Ms(1));
    return pid;
  }

  HWND MainWindow() const { return desktop.Find(kelvane::kMainClassName, nullptr); }
  HWND Popup() const { return desktop.Find(kelvane::kPopupClassName, nullptr); }
  HWND ListBox() const {
    HWND popup = Popup();
    if (!popup) return nullptr;
    std::vector<HWND> children = desktop.ChildrenOf(popup);
    return children.empty() ? nullptr : children.front();
  }
  int Selection() const { return sim::ListBoxSelection(ListBox()); }

  // The dispatcher's key message, as it would post it.
  void Press() { desktop.Post(MainWindow(), kelvane::KELVANE_SHOW_POPUP); }
  // Presses and runs the desktop a little, so the popup has reacted.
  void PressAndRun(Nanos after = Ms(100)) {
    Press();
    desktop.RunFor(after);
  }

  // Ends kelvane through its menu command and runs it to its end.
  void Exit() {
    desktop.Post(MainWindow(), WM_COMMAND, 105);
    desktop.RunFor(Ms(10));
  }

  std::vector<UINT> ActivatedIndexes() const {
    std::vector<UINT> indexes;
    for (const auto& activation : power.Activations()) indexes.push_back(activation.index);
    return indexes;
  }

  // Calls of the service control manager by kelvane, as "Op" or "Op SERVICE".
  std::vector<std::string> ServiceCalls() const {
    std::vector<std::string> calls;
    for (const sim::services::Call& call : sim::services::Log()) {
      if (call.pid == pid) calls.push_back(call.service.empty() ? call.op : call.op + " " + call.service);
    }
    return calls;
  }

  // Device and service calls of kelvane in trace order, by their trace detail.
  std::vector<std::string> DriverCalls() const {
    std::vector<std::string> calls;
    for (const TraceEvent& e : desktop.Trace()) {
      if (e.kind == TraceEvent::kDevice && e.pid == pid) calls.push_back(e.detail);
    }
    return calls;
  }
};

// The first virtual time at which the performance counter shows `count`.
inline Nanos TimeOfCount(LONGLONG count, LONGLONG frequency) {
  __int128 nanos = static_cast<__int128>(count) * 1000000000;
  return static_cast<Nanos>((nanos + frequency - 1) / frequency);
}

inline LONGLONG CountAt(Nanos time, LONGLONG frequency) {
  return static_cast<LONGLONG>(static_cast<__int128>(time) * frequency / 1000000000);
}

}  // namespace kelvane_test
