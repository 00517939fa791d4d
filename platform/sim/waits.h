// The timed waits of the simulated desktop: MsgWaitForMultipleObjects and
// Sleep.
//
// Contract: MsgWaitForMultipleObjects takes no handles (nCount 0) and a wake
// mask. Like Windows, it refuses a mask that holds a bit the calling
// program's Windows version does not know (ERROR_INVALID_PARAMETER,
// WAIT_FAILED): before Windows XP that is everything above QS_ALLPOSTMESSAGE
// (QS_RAWINPUT came with XP, QS_TOUCH and QS_POINTER with Windows 8). It
// returns WAIT_OBJECT_0 at once when the thread has input, WAIT_TIMEOUT at
// once for a zero time-out, and otherwise waits on the virtual clock for
// input or the end of the time-out. Sleep waits on the virtual clock and
// ignores input. A test can make every message wait fail.
#pragma once

#include "desktop.h"

namespace sim {

// The wake-mask bits that MsgWaitForMultipleObjects accepts on `version`.
DWORD KnownWakeBits(const OSVERSIONINFOA& version);

// From now on every MsgWaitForMultipleObjects on this desktop fails with
// ERROR_INVALID_PARAMETER, as a refused call would (false: waits work again).
void FailMessageWaits(bool fail);

}  // namespace sim
