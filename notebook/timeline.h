// Turns the desktop's trace into a readable timeline: one line per event
// that a person watching the notebook would care about, with its virtual
// time. Polls that find nothing and timer restarts are left out.
#pragma once

#include <string>

#include "platform/sim/desktop.h"

namespace notebook {

// The timeline line for one event, or an empty string for an event left out.
std::string TimelineLine(const sim::Desktop& desktop, const sim::TraceEvent& event);

// Prints each event's line as it is recorded, with `print`.
void FollowTimeline(sim::Desktop& desktop, void (*print)(const std::string& line));

}  // namespace notebook
