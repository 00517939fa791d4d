#include "notebook/timeline.h"

#include <cstdio>

#include "platform/sim/state.h"

namespace notebook {
namespace {

std::string Hex(uintptr_t value) {
  char text[24];
  snprintf(text, sizeof text, "0x%lX", static_cast<unsigned long>(value));
  return text;
}

std::string Time(sim::Nanos time) {
  char text[32];
  snprintf(text, sizeof text, "%9.3f s", static_cast<double>(time) / 1e9);
  return text;
}

std::string MessageName(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case 0x1635:
      return "KELVANE_SHOW_POPUP";
    case 0x8100:
      return "KEY_NOTIFY_LAUNCHER (key " + std::to_string(wParam) + ")";
    case 0x8101:
      return "KEY_NOTIFY_FACTORY (key " + std::to_string(wParam) + ")";
    case 0x8010:
      return "KEY_NOTIFY_MEDIA (command " + Hex(wParam) + ")";
    case 0x040A:
      return "KEY_NOTIFY_WIRELESS";
    case WM_CLOSE:
      return "WM_CLOSE";
    case WM_COMMAND:
      return "WM_COMMAND " + std::to_string(LOWORD(wParam));
    default:
      if (message >= 0xC000) {
        return "Volctrl (lParam " + std::to_string(lParam) + " = '" +
               std::string(1, static_cast<char>(lParam)) + "')";
      }
      return "message " + Hex(message);
  }
}

std::string ProgramName(const sim::Desktop& desktop, int pid) {
  if (pid == 0) return "notebook";
  return const_cast<sim::Desktop&>(desktop).ProcessOf(pid).name;
}

}  // namespace

std::string TimelineLine(const sim::Desktop& desktop, const sim::TraceEvent& e) {
  const std::string who = ProgramName(desktop, e.pid);
  std::string what;
  switch (e.kind) {
    case sim::TraceEvent::kStarted:
      what = e.detail + " starts";
      break;
    case sim::TraceEvent::kEnded:
      what = e.detail + " ends, exit code " + std::to_string(static_cast<int>(e.wParam));
      break;
    case sim::TraceEvent::kReceived:
      what = "\"" + e.text + "\" receives " + MessageName(e.message, e.wParam, e.lParam);
      break;
    case sim::TraceEvent::kBoxOpened:
      what = "shows a box \"" + e.detail + "\" captioned \"" + e.text + "\"";
      break;
    case sim::TraceEvent::kBoxClosed:
      what = "box \"" + e.detail + "\" answered " + (e.wParam == IDOK ? "OK" : "Cancel");
      break;
    case sim::TraceEvent::kWinExec:
      what = "starts \"" + e.detail + "\" in " + e.text;
      break;
    case sim::TraceEvent::kTimerSet:
      if (e.wParam == 3) what = "fast polling (every 100 ms) for 30 s";
      if (e.wParam == 1) what = "polls the key driver every 500 ms";
      break;
    case sim::TraceEvent::kNote:
      if (e.pid == 0) what = e.detail;  // the desktop models' own notes are too fine-grained
      break;
    default:
      break;
  }
  if (what.empty()) return what;
  char who_[16];
  snprintf(who_, sizeof who_, "%-9s", who.c_str());
  return Time(e.time) + "  " + who_ + " " + what;
}

void FollowTimeline(sim::Desktop& desktop, void (*print)(const std::string& line)) {
  desktop.OnTrace([&desktop, print](const sim::TraceEvent& event) {
    const std::string line = TimelineLine(desktop, event);
    if (!line.empty()) print(line);
  });
}

}  // namespace notebook
