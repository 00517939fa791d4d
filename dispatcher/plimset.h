// plimset, the key dispatcher: polls the key driver TRAVOK on window timers
// and turns each key into a message to a companion utility, a warning box or
// the start of "shutdown.exe".
#pragma once

#include "platform/win32.h"

namespace plimset {

// The 16-bit word the key driver hands out for one key event: 0 is no key,
// the low byte is the key number, the high byte is not interpreted.
typedef WORD KeyCode;

// Classification of the running Windows version.
enum OsFamily : int {
  OS_FAMILY_NONE = 0,
  OS_FAMILY_WIN9X = 0x200,
  OS_FAMILY_WIN95 = 0x300,
  OS_FAMILY_NT4 = 0x400,
  OS_FAMILY_NT5 = 0x500,
  OS_FAMILY_WIN98 = 0x980,
};

// Control codes of the key driver (device type 0x22, METHOD_BUFFERED).
constexpr DWORD IOCTL_TRAVOK_STARTUP = 0x222404;
constexpr DWORD IOCTL_TRAVOK_QUERY = 0x222408;
constexpr DWORD IOCTL_TRAVOK_READ = 0x22240C;
constexpr DWORD IOCTL_TRAVOK_REPORTING = 0x222414;

// The window's timers.
constexpr UINT_PTR SLOW_POLL_TIMER = 1;
constexpr UINT_PTR FAST_POLL_TIMER = 2;
constexpr UINT_PTR FAST_PERIOD_TIMER = 3;
constexpr UINT SLOW_POLL_MS = 500;
constexpr UINT FAST_POLL_MS = 100;
constexpr UINT FAST_PERIOD_MS = 30000;

// Messages posted to the companion utilities and the switcher.
constexpr UINT KELVANE_SHOW_POPUP = WM_USER + 0x1235;  // 0x1635
constexpr UINT KEY_NOTIFY_WIRELESS = WM_USER + 10;     // 0x040A
constexpr UINT KEY_NOTIFY_MEDIA = WM_APP + 0x10;       // 0x8010
constexpr UINT KEY_NOTIFY_LAUNCHER = WM_APP + 0x100;   // 0x8100
constexpr UINT KEY_NOTIFY_FACTORY = WM_APP + 0x101;    // 0x8101

// Program entry (start-up, message loop); returns the exit code.
int WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand);

// Start-up steps.
void CopyVantrelProgramValue();
int GetOsFamily();
int OpenTravokDevice();
void DrainPendingKeys();

// The four control operations of the key driver. A request that fails yields
// the word 0, so a missing device never reads as a pending key.
BOOL SetKeyReporting(int on);
void SendStartupControl();
WORD QueryPendingKeys();
// Sets *failed when the request itself failed, so callers can stop retrying.
KeyCode ReadKeyCode(bool* failed);

// A driver has the key it announced ready at once, or after a few reads that
// answer 0. 200 reads take well under a few milliseconds of control calls on
// the notebook's hardware; a driver that still answers 0 then is not waited
// for, so that it cannot freeze the program.
constexpr int kMaxReadsPerKey = 200;

// Reads the key that a non-zero query announced, repeating the read without
// pause while it gives 0. Returns 0 when the request fails or the reads run
// out: the key then stays with the driver for the next tick.
KeyCode TakeAnnouncedKey();

LRESULT CALLBACK DispatcherWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The dispatch table.
int DispatchKey(KeyCode key);
bool PostSwitcherKey();
void PostVolumeCommand(int keyNumber);
void SetWorkingDirectoryFromCommandLine();
// A modal box without owner, captioned with the executable's full path.
void ShowWarningBox(const char* text);

}  // namespace plimset
