// The timed waits: MsgWaitForMultipleObjects and Sleep on the virtual clock.
#include "waits.h"

#include <stdexcept>

#include "platform/sim/api_calls.h"
#include "process.h"
#include "state.h"

namespace sim {
namespace {

constexpr DWORD kWakeBitsBeforeXp = 0x01FF;     // QS_KEY to QS_ALLPOSTMESSAGE
constexpr DWORD kRawInputBit = 0x0400;          // QS_RAWINPUT, Windows XP
constexpr DWORD kTouchAndPointerBits = 0x1800;  // QS_TOUCH and QS_POINTER, Windows 8

struct WaitsArea {
  bool failMessageWaits = false;
};

Thread& CallingThread() {
  Thread* thread = CurrentThread();
  if (!thread) throw std::logic_error("a Win32 wait from the test side");
  return *thread;
}

bool AtLeast(const OSVERSIONINFOA& version, DWORD major, DWORD minor) {
  return version.dwMajorVersion > major ||
         (version.dwMajorVersion == major && version.dwMinorVersion >= minor);
}

}  // namespace

DWORD KnownWakeBits(const OSVERSIONINFOA& version) {
  DWORD known = kWakeBitsBeforeXp;
  if (version.dwPlatformId != VER_PLATFORM_WIN32_NT) return known;  // the 9x family ended before XP
  if (AtLeast(version, 5, 1)) known |= kRawInputBit;
  if (AtLeast(version, 6, 2)) known |= kTouchAndPointerBits;
  return known;
}

void FailMessageWaits(bool fail) { DesktopArea<WaitsArea>().failMessageWaits = fail; }

}  // namespace sim

using sim::D;

DWORD WINAPI MsgWaitForMultipleObjects(DWORD count, const HANDLE*, BOOL, DWORD milliseconds, DWORD wakeMask) {
  SIM_API_CALL();
  sim::Thread& thread = sim::CallingThread();
  const DWORD unknown = wakeMask & ~sim::KnownWakeBits(sim::process::CallerOptions().version);
  if (count != 0 || unknown != 0 || sim::DesktopArea<sim::WaitsArea>().failMessageWaits) {
    sim::SetError(ERROR_INVALID_PARAMETER);
    return WAIT_FAILED;
  }
  if (sim::HasInput(thread)) return WAIT_OBJECT_0;
  if (milliseconds == 0) return WAIT_TIMEOUT;
  const sim::Nanos deadline = milliseconds == INFINITE ? -1 : D().now + sim::Ms(milliseconds);
  sim::WaitUntilRunnable(&thread, deadline, true);
  return sim::HasInput(thread) ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
}

void WINAPI Sleep(DWORD milliseconds) {
  SIM_API_CALL();
  sim::Thread& thread = sim::CallingThread();
  sim::WaitUntilRunnable(&thread, D().now + sim::Ms(milliseconds), false);
}
