// Compares what the desktop recorded with an expected sequence written as a
// static table, one row per event, so a test reads as the trace it expects.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/sim/desktop.h"

namespace expected {

// One expected event. `window` names the window by class (empty: any);
// `atMs` is the virtual time in ms (-1: any).
struct Event {
  sim::TraceEvent::Kind kind;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  std::string window;
  int64_t atMs;
};

// The recorded events of the given kinds, as rows like the expected ones.
std::vector<Event> Recorded(const sim::Desktop& desktop, std::initializer_list<sim::TraceEvent::Kind> kinds,
                            sim::Nanos from = 0);

// Fails the test with a readable side-by-side listing when they differ.
void ExpectSequence(const std::vector<Event>& expected, const std::vector<Event>& recorded);

std::string Describe(const Event& event);

}  // namespace expected
