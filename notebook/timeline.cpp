#include "notebook/timeline.h"

#include <cstdio>

#include "notebook/popup_view.h"
#include "platform/sim/powrprof.h"
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

// Text of 16-bit units for the timeline.
std::string Quoted(const std::u16string& text) { return "\"" + sim::Narrow(text) + "\""; }

// The switcher's popup as its list box shows it: opening (the first item
// added) and each selection.
std::string ListBoxLine(const sim::Desktop& desktop, const sim::TraceEvent& e) {
  const std::vector<std::u16string> items = sim::ListBoxItems(e.window);
  if (e.message == LB_ADDSTRING && items.empty()) {
    return "opens the \"" + desktop.TitleOf(desktop.OwnerOf(e.window)) + "\" popup";
  }
  if (e.message != LB_SETCURSEL) return std::string();
  const int item = static_cast<int>(e.wParam);
  if (item < 0 || item >= static_cast<int>(items.size())) return "selects no scheme";
  return "selects " + Quoted(items[item]);
}

// A scheme's name from the power-profile library the program called.
std::string SchemeName(UINT index) {
  for (const auto& scheme : sim::InstallPowerProfile().Schemes()) {
    if (scheme.index == index) return "\"" + scheme.name + "\"";
  }
  return std::to_string(index);
}

std::string DriverLine(const sim::TraceEvent& e) {
  if (e.lParam != 1) return std::string();  // failed calls are left out
  if (e.detail == "StartServiceA KELVANE") return "starts the KELVANE driver service";
  if (e.detail == "DeleteService KELVANE") return "removes the KELVANE driver service";
  if (e.detail == "DeviceIoControl KELVANE 0x222400")
    return "tells the KELVANE driver: Presentation (0x222400)";
  if (e.detail == "DeviceIoControl KELVANE.VXD 0x222400")
    return "tells the KELVANE VxD: Presentation (0x222400)";
  return std::string();
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
    case sim::TraceEvent::kPosted:
      if (e.message == 0x1635) what = "posts KELVANE_SHOW_POPUP to \"" + e.text + "\"";
      break;
    case sim::TraceEvent::kSent:
      if (e.detail == "LISTBOX") what = ListBoxLine(desktop, e);
      break;
    case sim::TraceEvent::kDevice:
      what = DriverLine(e);
      break;
    case sim::TraceEvent::kNote:
      if (e.pid == 0) what = e.detail;  // the desktop models' own notes are too fine-grained
      if (e.pid != 0 && e.detail.rfind("SetActivePwrScheme ", 0) == 0) {
        what = "closes the popup; power scheme " + SchemeName(static_cast<UINT>(e.wParam)) +
               (e.lParam ? " is now active" : " could not be activated");
      }
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
    if (line.empty()) return;
    print(line);
    // Each selection of the popup is followed by the popup as it now looks.
    if (event.kind == sim::TraceEvent::kSent && event.message == LB_SETCURSEL) {
      const std::string title = desktop.TitleOf(desktop.OwnerOf(event.window));
      for (const std::string& row :
           DrawPopup(title, sim::ListBoxItems(event.window), static_cast<int>(event.wParam))) {
        print(std::string(24, ' ') + row);
      }
    }
  });
}

}  // namespace notebook
