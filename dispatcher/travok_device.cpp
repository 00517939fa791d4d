// The key driver TRAVOK: opening it on either path and its four control
// requests, each a single 2-byte word in and out.
#include "dispatcher/plimset.h"
#include "dispatcher/program_state.h"

namespace plimset {
namespace {

const char kVxdName[] = "\\\\.\\TRAVOK.VXD";
const char kDeviceName[] = "\\\\.\\TRAVOK";

// Sends `word` with `code` and returns the word the driver left. A request
// that fails (no device, or any driver error) yields 0 and sets *failed.
WORD ControlWord(DWORD code, WORD word, bool* failed) {
  WORD buffer = word;
  DWORD returned = 0;
  if (!DeviceIoControl(State().travokDevice, code, &buffer, sizeof(buffer), &buffer, sizeof(buffer),
                       &returned, nullptr)) {
    if (failed) *failed = true;
    return 0;
  }
  return buffer;
}

}  // namespace

int OpenTravokDevice() {
  HANDLE& device = State().travokDevice;
  if (GetOsFamily() == OS_FAMILY_WIN95) {
    // Opening the name loads the driver as a dynamic VxD.
    device = CreateFileA(kVxdName, 0, 0, nullptr, CREATE_NEW, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (device != INVALID_HANDLE_VALUE) return 1;
    if (GetLastError() == ERROR_NOT_SUPPORTED) {
      DeleteFileA(kVxdName);
      MessageBoxA(nullptr, "Can not load QUENDIX.vxd", nullptr, MB_OK);
    }
    return 0;
  }
  device = CreateFileA(kDeviceName, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                       FILE_FLAG_OVERLAPPED, nullptr);
  if (device != INVALID_HANDLE_VALUE) return 1;
  ShowWarningBox("Can not load Travok.sys!!");
  return 0;
}

BOOL SetKeyReporting(int on) {
  bool failed = false;
  ControlWord(IOCTL_TRAVOK_REPORTING, static_cast<WORD>(on), &failed);
  return failed ? FALSE : TRUE;
}

void SendStartupControl() { ControlWord(IOCTL_TRAVOK_STARTUP, 0, nullptr); }

WORD QueryPendingKeys() { return ControlWord(IOCTL_TRAVOK_QUERY, 0, nullptr); }

KeyCode ReadKeyCode(bool* failed) { return ControlWord(IOCTL_TRAVOK_READ, 0, failed); }

KeyCode TakeAnnouncedKey() {
  for (int reads = 0; reads < kMaxReadsPerKey; ++reads) {
    bool failed = false;
    const KeyCode key = ReadKeyCode(&failed);
    if (key != 0 || failed) return key;
  }
  return 0;
}

void DrainPendingKeys() {
  // Key events waiting now, also those queued before the program started,
  // are discarded. A key that cannot be taken ends the drain rather than
  // looping: it is then dispatched by a later tick.
  while (QueryPendingKeys() != 0) {
    if (TakeAnnouncedKey() == 0) break;
  }
}

}  // namespace plimset
