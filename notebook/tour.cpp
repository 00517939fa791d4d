#include "notebook/tour.h"

#include "notebook/notebook.h"
#include "notebook/timeline.h"

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
    {13420, 80, "Fn+F12 (shut down)"},
};

std::vector<std::string>* g_lines = nullptr;
void Collect(const std::string& line) { g_lines->push_back(line); }

}  // namespace

std::vector<std::string> RunTour() {
  std::vector<std::string> lines;
  g_lines = &lines;
  Notebook notebook;
  sim::Desktop& desktop = notebook.desktop();
  FollowTimeline(desktop, Collect);
  notebook.StartCompanion(Companion::kLauncher);
  notebook.StartCompanion(Companion::kVolumeMeter);
  notebook.StartCompanion(Companion::kWireless);
  desktop.AnswerBoxesAfter(sim::Ms(1500));  // the user reads a box, then presses OK
  notebook.StartPrograms();
  for (const KeyPress& press : kTourKeys) {
    desktop.At(sim::Ms(press.atMs), [&notebook, press] { notebook.PressKey(press.key, press.name); });
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
