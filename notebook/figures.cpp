// The performance figures that the simulated desktop measures exactly:
// plimset's idle cost, its heap allocations, its key latency, and kelvane's
// work while its popup is open. Prints one table (tools/figures adds the
// figures measured under Wine). Not a test: the budgets are only shown.
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "dispatcher/sim_program.h"
#include "notebook/companions.h"
#include "notebook/notebook.h"
#include "platform/sim/api_calls.h"
#include "platform/sim/process.h"
#include "platform/sim/state.h"
#include "platform/sim/travok.h"

// Every heap allocation of the process passes here; those made by a program's
// own code (not inside a Win32 function of the desktop) are counted.
extern "C" void* __libc_malloc(size_t size);
extern "C" void* __libc_calloc(size_t count, size_t size);
extern "C" void* __libc_realloc(void* block, size_t size);
extern "C" void __libc_free(void* block);

namespace {

bool g_counting = false;
uint64_t g_programAllocations = 0;

void CountAllocation() {
  if (g_counting && sim::CurrentThread() && !sim::InsideApiCall()) ++g_programAllocations;
}

}  // namespace

extern "C" void* malloc(size_t size) {
  CountAllocation();
  return __libc_malloc(size);
}
extern "C" void* calloc(size_t count, size_t size) {
  CountAllocation();
  return __libc_calloc(count, size);
}
extern "C" void* realloc(void* block, size_t size) {
  CountAllocation();
  return __libc_realloc(block, size);
}
extern "C" void free(void* block) { __libc_free(block); }

namespace {

using sim::Ms;

uint64_t Sum(const std::map<std::string, uint64_t>& calls, std::initializer_list<const char*> names,
             bool others) {
  uint64_t total = 0;
  for (const auto& entry : calls) {
    bool named = false;
    for (const char* name : names) named |= entry.first == name;
    if (named != others) total += entry.second;
  }
  return total;
}

std::map<std::string, uint64_t> Minus(std::map<std::string, uint64_t> after,
                                      const std::map<std::string, uint64_t>& before) {
  for (const auto& entry : before) after[entry.first] -= entry.second;
  return after;
}

void Row(const char* figure, const std::string& value, const char* budget) {
  std::printf("| %-64s | %14s | %-10s |\n", figure, value.c_str(), budget);
}

std::string Number(double value, const char* unit = "") {
  char text[48];
  std::snprintf(text, sizeof text, value == static_cast<int64_t>(value) ? "%.0f%s" : "%.1f%s", value, unit);
  return text;
}

int StartPlimset(sim::Desktop& desktop) {
  sim::StartOptions options;
  options.modulePath = "C:\\Notebook\\plimset.exe";
  return desktop.Start(plimset::SimProgram(), options);
}

void IdleFigures() {
  sim::Desktop desktop;
  sim::InstallTravok();
  const int pid = StartPlimset(desktop);
  desktop.RunFor(Ms(10000));
  const auto before = sim::ApiCallsOf(pid);
  g_programAllocations = 0;
  g_counting = true;
  desktop.RunFor(Ms(60000));
  g_counting = false;
  const auto minute = Minus(sim::ApiCallsOf(pid), before);
  const auto loop = {"GetMessageA", "TranslateAcceleratorA", "TranslateMessage", "DispatchMessageA"};
  Row("plimset idle: driver control calls per minute", Number(minute.at("DeviceIoControl")), "120");
  Row("plimset idle: message-loop calls per minute (to get WM_TIMER)", Number(Sum(minute, loop, false)), "-");
  std::map<std::string, uint64_t> others = minute;
  others.erase("DeviceIoControl");
  Row("plimset idle: other platform calls per minute", Number(Sum(others, loop, true)), "0");
  Row("plimset: heap allocations per idle poll tick", Number(g_programAllocations / 120.0), "0");
}

void DispatchFigures() {
  sim::Desktop desktop;
  sim::TravokModel& travok = sim::InstallTravok();
  notebook::StartCompanion(desktop, notebook::Companion::kLauncher);
  notebook::StartCompanion(desktop, notebook::Companion::kVolumeMeter);
  desktop.AddFakeWindow("NorvoKelvaneClass", "Tesmor");
  StartPlimset(desktop);
  desktop.RunFor(Ms(1000));
  const WORD keys[] = {1, 3, 49, 50, 5, 64, 33};  // 64 and 33: utilities missing, a box each
  desktop.AnswerBoxesAfter(Ms(50));
  g_programAllocations = 0;
  g_counting = true;
  int dispatched = 0;
  for (int round = 0; round < 20; ++round) {
    for (WORD key : keys) {
      travok.PushKey(key);
      desktop.RunFor(Ms(250));
      ++dispatched;
    }
  }
  g_counting = false;
  Row("plimset: heap allocations per dispatched key",
      Number(static_cast<double>(g_programAllocations) / dispatched), "0");
}

// Latency from the key entering the driver's queue to the companion's
// message, for keys pressed at every millisecond offset of a poll period.
void LatencyFigures() {
  for (const bool fast : {false, true}) {
    const int period = fast ? 100 : 500;
    int64_t worst = 0, best = INT64_MAX, total = 0;
    for (int offset = 0; offset < period; offset += 7) {
      sim::Desktop desktop;
      sim::TravokModel& travok = sim::InstallTravok();
      sim::FakeWindow& launcher = notebook::StartCompanion(desktop, notebook::Companion::kLauncher);
      StartPlimset(desktop);
      if (fast) {
        desktop.At(Ms(200), [&travok] { travok.PushKey(1); });  // found at 500 ms: fast from then on
      }
      const sim::Nanos pressed = Ms(5000 + offset);
      desktop.At(pressed, [&travok] { travok.PushKey(2); });
      desktop.RunUntil(Ms(6000));
      const sim::Nanos received = launcher.received.back().time;
      const int64_t latency = (received - pressed) / sim::kMillisecond;
      worst = std::max(worst, latency);
      best = std::min(best, latency);
      total += latency;
    }
    const int samples = (period + 6) / 7;
    const std::string value =
        Number(best) + "/" + Number(static_cast<double>(total) / samples) + "/" + Number(worst);
    Row(fast ? "key -> message latency, fast phase, ms (min/mean/max)"
             : "key -> message latency, slow phase, ms (min/mean/max)",
        value, fast ? "<= 100" : "<= 500");
  }
}

void PopupFigures() {
  notebook::Notebook notebook;
  notebook.StartPrograms();
  sim::Desktop& desktop = notebook.desktop();
  desktop.RunFor(Ms(1000));
  const int switcher = 1;
  const sim::process::ClockReads before = sim::process::ClockReadsOf(switcher);
  g_programAllocations = 0;
  g_counting = true;
  notebook.PressKey(3, "Fn+F3");
  desktop.RunFor(Ms(400));
  notebook.PressKey(3, "Fn+F3");
  desktop.RunFor(Ms(5000));
  g_counting = false;
  const sim::process::ClockReads after = sim::process::ClockReadsOf(switcher);
  Row("kelvane: quiet-period tests while the popup is open (2 presses)",
      Number(after.frequency - before.frequency), "few");
  Row("kelvane: performance-counter reads in the same time", Number(after.counter - before.counter), "few");
  // Both programs' allocations: plimset's are 0 (above), so these are the
  // switcher's scheme list and names, rebuilt at each opening of the popup.
  Row("kelvane: heap allocations for one popup (6 schemes)", Number(g_programAllocations), "-");
}

}  // namespace

int main() {
  std::printf("| %-64s | %14s | %-10s |\n", "figure (simulated desktop, exact)", "measured", "budget");
  std::printf("|%s|%s|%s|\n", std::string(66, '-').c_str(), std::string(16, '-').c_str(),
              std::string(12, '-').c_str());
  IdleFigures();
  DispatchFigures();
  LatencyFigures();
  PopupFigures();
  return 0;
}
