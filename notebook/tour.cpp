#include "notebook/tour.h"

#include "dispatcher/sim_program.h"
#include "notebook/companions.h"
#include "notebook/timeline.h"
#include "platform/sim/files.h"
#include "platform/sim/kelvane_driver.h"
#include "platform/sim/powrprof.h"
#include "platform/sim/travok.h"
#include "switcher/sim_program.h"

namespace notebook {
namespace {

struct KeyPress {
  int64_t atMs;
  WORD key;
  const char* name;
};

const KeyPress kTourKeys[] = {
    {1200, 1, "Fn+F1 (no key of its own: for the launch utility)"},
    {2250, 49, "Fn+volume down"},
    {2330, 50, "Fn+volume up"},
    {3130, 33, "Fn+play (the multimedia-key utility is not running)"},
    {6740, 64, "Fn+F2 (wireless)"},
    {8250, 3, "Fn+F3 (power scheme)"},
    {8650, 3, "Fn+F3 again"},
    {9050, 3, "Fn+F3 a third time"},
};

// The power schemes of the notebook; "Home/Office Desk" is active.
const sim::PowerProfileModel::Scheme kTourSchemes[] = {
    {0, "Home/Office Desk", "For a computer on a desk"},
    {1, "Portable/Laptop", "Longest battery life with good performance"},
    {2, "Presentation", "The display stays on"},
    {3, "Always On", "No standby"},
    {4, "Minimal Power Management", "Hard disk and display turn off late"},
    {5, "Max Battery", "Everything turns off early"},
};

std::vector<std::string>* g_lines = nullptr;
void Collect(const std::string& line) { g_lines->push_back(line); }

}  // namespace

std::vector<std::string> RunTour() {
  std::vector<std::string> lines;
  g_lines = &lines;
  sim::Desktop desktop;
  FollowTimeline(desktop, Collect);
  sim::TravokModel& travok = sim::InstallTravok();
  StartCompanion(desktop, Companion::kLauncher);
  StartCompanion(desktop, Companion::kVolumeMeter);
  StartCompanion(desktop, Companion::kWireless);
  sim::PowerProfileModel& power = sim::InstallPowerProfile();
  power.SetSchemes(
      std::vector<sim::PowerProfileModel::Scheme>(std::begin(kTourSchemes), std::end(kTourSchemes)));
  power.SetActiveIndex(0);
  sim::InstallKelvaneDriver();
  desktop.AnswerBoxesAfter(sim::Ms(1500));  // the user reads a box, then presses OK

  sim::StartOptions switcher;
  switcher.modulePath = "C:\\Notebook\\kelvane.exe";
  sim::AddFile(desktop, switcher.modulePath);
  desktop.Start(kelvane::SimProgram(), switcher);
  sim::StartOptions dispatcher;
  dispatcher.modulePath = "C:\\Notebook\\plimset.exe";
  sim::AddFile(desktop, dispatcher.modulePath);
  desktop.Start(plimset::SimProgram(), dispatcher);
  for (const KeyPress& press : kTourKeys) {
    desktop.At(sim::Ms(press.atMs), [&desktop, &travok, press] {
      desktop.Note(std::string(press.name) + ": the driver queues key " + std::to_string(press.key));
      travok.PushKey(press.key);
    });
  }
  desktop.At(sim::Ms(40000), [&desktop] {
    desktop.Note("the user closes plimset");
    desktop.Post(desktop.Find("PLIMSET", "Plimset"), WM_CLOSE);
  });
  desktop.At(sim::Ms(40500), [&desktop] {
    desktop.Note("the user chooses File > Exit in kelvane");
    desktop.Post(desktop.Find("NorvoKelvaneClass", nullptr), WM_COMMAND, 105);
  });
  desktop.RunUntil(sim::Ms(41000));
  g_lines = nullptr;
  return lines;
}

}  // namespace notebook
