#include "tests/support/expected_trace.h"

#include <sstream>

namespace expected {

std::vector<Event> Recorded(const sim::Desktop& desktop, std::initializer_list<sim::TraceEvent::Kind> kinds,
                            sim::Nanos from) {
  std::vector<Event> rows;
  for (const sim::TraceEvent& event : desktop.Trace()) {
    if (event.time < from) continue;
    bool wanted = false;
    for (auto kind : kinds) wanted |= kind == event.kind;
    if (!wanted) continue;
    // The window is named by the class recorded with the event.
    rows.push_back(Event{event.kind, event.message, event.wParam, event.lParam, event.detail,
                         event.time / sim::kMillisecond});
  }
  return rows;
}

std::string Describe(const Event& e) {
  static const char* kinds[] = {"posted",       "dispatched", "sent",       "received", "timer-set",
                                "timer-killed", "box-opened", "box-closed", "winexec",  "device",
                                "started",      "ended",      "note"};
  std::ostringstream out;
  out << kinds[e.kind] << " msg=0x" << std::hex << e.message << " w=0x" << e.wParam << " l=0x" << e.lParam
      << std::dec;
  if (!e.window.empty()) out << " [" << e.window << "]";
  if (e.atMs >= 0) out << " @" << e.atMs << "ms";
  return out.str();
}

namespace {

bool Matches(const Event& want, const Event& got) {
  if (want.kind != got.kind || want.message != got.message || want.wParam != got.wParam ||
      want.lParam != got.lParam) {
    return false;
  }
  if (!want.window.empty() && want.window != got.window) return false;
  return want.atMs < 0 || want.atMs == got.atMs;
}

}  // namespace

void ExpectSequence(const std::vector<Event>& expected, const std::vector<Event>& recorded) {
  bool same = expected.size() == recorded.size();
  for (size_t i = 0; same && i < expected.size(); ++i) same = Matches(expected[i], recorded[i]);
  if (same) return;
  std::ostringstream listing;
  const size_t rows = std::max(expected.size(), recorded.size());
  for (size_t i = 0; i < rows; ++i) {
    const bool ok = i < expected.size() && i < recorded.size() && Matches(expected[i], recorded[i]);
    listing << (ok ? "   " : "-> ") << i << ": expected "
            << (i < expected.size() ? Describe(expected[i]) : std::string("(nothing)")) << "\n      recorded "
            << (i < recorded.size() ? Describe(recorded[i]) : std::string("(nothing)")) << "\n";
  }
  ADD_FAILURE() << "the trace differs from the expected sequence:\n" << listing.str();
}

}  // namespace expected
