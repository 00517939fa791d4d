#include "notebook/notebook.h"

#include <iterator>
#include <vector>

#include "dispatcher/sim_program.h"
#include "platform/sim/files.h"
#include "platform/sim/kelvane_driver.h"
#include "platform/sim/powrprof.h"
#include "switcher/sim_program.h"

namespace notebook {
namespace {

// The power schemes of the notebook; "Home/Office Desk" is active.
const sim::PowerProfileModel::Scheme kSchemes[] = {
    {0, "Home/Office Desk", "For a computer on a desk"},
    {1, "Portable/Laptop", "Longest battery life with good performance"},
    {2, "Presentation", "The display stays on"},
    {3, "Always On", "No standby"},
    {4, "Minimal Power Management", "Hard disk and display turn off late"},
    {5, "Max Battery", "Everything turns off early"},
};

}  // namespace

Notebook::Notebook() : travok_(&sim::InstallTravok()) {
  sim::PowerProfileModel& power = sim::InstallPowerProfile();
  power.SetSchemes(std::vector<sim::PowerProfileModel::Scheme>(std::begin(kSchemes), std::end(kSchemes)));
  power.SetActiveIndex(0);
  sim::InstallKelvaneDriver();
  sim::AddFile(desktop_, "C:\\Notebook\\shutdown.exe");
}

void Notebook::StartPrograms() {
  sim::StartOptions switcher;
  switcher.modulePath = "C:\\Notebook\\kelvane.exe";
  sim::AddFile(desktop_, switcher.modulePath);
  desktop_.Start(kelvane::SimProgram(), switcher);
  sim::StartOptions dispatcher;
  dispatcher.modulePath = "C:\\Notebook\\plimset.exe";
  sim::AddFile(desktop_, dispatcher.modulePath);
  desktop_.Start(plimset::SimProgram(), dispatcher);
}

void Notebook::EndPrograms() {
  if (HWND dispatcher = desktop_.Find("PLIMSET", "Plimset")) desktop_.Post(dispatcher, WM_CLOSE);
  if (HWND switcher = desktop_.Find("NorvoKelvaneClass", nullptr)) desktop_.Post(switcher, WM_COMMAND, 105);
  desktop_.RunFor(sim::Ms(100));
}

void Notebook::PressKey(WORD key, const std::string& label) {
  desktop_.Note(label + ": the driver queues key " + std::to_string(key));
  travok_->PushKey(key);
}

void Notebook::StartCompanion(Companion companion) {
  sim::FakeWindow*& window = companions_[static_cast<int>(companion)];
  if (!window) window = &notebook::StartCompanion(desktop_, companion);
}

void Notebook::StopCompanion(Companion companion) {
  sim::FakeWindow*& window = companions_[static_cast<int>(companion)];
  if (!window) return;
  desktop_.RemoveFakeWindow(*window);
  window = nullptr;
}

bool Notebook::IsRunning(Companion companion) const {
  return companions_[static_cast<int>(companion)] != nullptr;
}

}  // namespace notebook
