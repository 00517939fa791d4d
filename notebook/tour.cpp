#include "notebook/tour.h"

#include "dispatcher/sim_program.h"
#include "notebook/companions.h"
#include "notebook/timeline.h"
#include "platform/sim/travok.h"

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
  desktop.AddFakeWindow("NorvoKelvaneClass", "Tesmor");
  desktop.AnswerBoxesAfter(sim::Ms(1500));  // the user reads a box, then presses OK

  sim::StartOptions options;
  options.modulePath = "C:\\Notebook\\plimset.exe";
  const int pid = desktop.Start(plimset::SimProgram(), options);
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
  desktop.RunUntil(sim::Ms(41000));
  (void)pid;
  g_lines = nullptr;
  return lines;
}

}  // namespace notebook
