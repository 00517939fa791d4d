// The clock of the quiet period: the high-resolution performance counter,
// or, where the system reports none, the millisecond tick count, so that the
// popup still commits. One reading gives the time and the clock's units.
#pragma once

#include "platform/win32.h"

namespace kelvane {

struct QuietClock {
  LONGLONG now;
  LONGLONG frequency;  // counts per second
  bool ticks;          // the millisecond tick count stands in for the counter

  // Counts since an earlier reading of the same clock. The tick count wraps
  // after 49.7 days; its difference is taken in its own 32 bits.
  LONGLONG ElapsedSince(LONGLONG earlier) const {
    return ticks ? static_cast<LONGLONG>(static_cast<DWORD>(now - earlier)) : now - earlier;
  }
};

// Frequency first, then the time, as the quiet-period test reads them.
QuietClock ReadQuietClock();
// The time alone, as a key message stamps it.
LONGLONG QuietClockNow();

}  // namespace kelvane
