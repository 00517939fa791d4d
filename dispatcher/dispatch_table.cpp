// The dispatch table: what each key number does. Target windows are looked
// up at every key, so companions may start and stop at any time; every
// message is posted, so a busy companion never blocks the dispatcher.
#include "dispatcher/plimset.h"

namespace plimset {
namespace {

const char kFactoryTitle[] = "Factory Testing Programing - KT3";
const char kSwitcherClass[] = "NorvoKelvaneClass";
const char kVolumeClass[] = "WIN32TEST";
const char kVolumeTitle[] = "volumeMeter";
const char kVolumeMessage[] = "Volctrl";
const char kMediaClass[] = "NorvoZOLBEXClass";
const char kWirelessTitle[] = "Wireless Button Status";
const char kLauncherClass[] = "#32770";
const char kLauncherTitle[] = "Kedrin";

void PostMediaCommand(WPARAM command) {
  HWND media = FindWindowA(kMediaClass, nullptr);
  if (!media) {
    ShowWarningBox("I cannot find out zolbex utility");
    return;
  }
  PostMessageA(media, KEY_NOTIFY_MEDIA, command, 0);
}

void PostWirelessKey() {
  HWND wireless = FindWindowA(nullptr, kWirelessTitle);
  if (!wireless) {
    ShowWarningBox("I cannot find out Wireless utility");
    return;
  }
  PostMessageA(wireless, KEY_NOTIFY_WIRELESS, 0, 0);
}

// True when the program is ending: a WM_QUIT waits in the queue. A box whose
// loop met that quit has posted it again and returned IDOK, unanswered.
bool QuitIsPending() {
  MSG msg;
  return PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE) != 0;
}

void StartShutdown() {
  SetWorkingDirectoryFromCommandLine();
  ShowWarningBox("0x50");  // returns when the user presses OK, or at the program's end
  if (QuitIsPending()) return;
  WinExec("shutdown.exe", SW_SHOW);
}

int PostLauncherKey(int keyNumber) {
  HWND launcher = FindWindowA(kLauncherClass, kLauncherTitle);
  if (!launcher) {
    MessageBoxA(nullptr, "Kedrin is NOT running !!!", "Notification", MB_OK);
    return 0;
  }
  PostMessageA(launcher, KEY_NOTIFY_LAUNCHER, static_cast<WPARAM>(keyNumber), 0);
  return 1;
}

}  // namespace

int DispatchKey(KeyCode key) {
  const int keyNumber = key & 0xFF;
  if (HWND factory = FindWindowA(nullptr, kFactoryTitle)) {
    PostMessageA(factory, KEY_NOTIFY_FACTORY, static_cast<WPARAM>(keyNumber), 0);
  }
  switch (keyNumber) {
    case 3:
      PostSwitcherKey();
      return 1;
    case 5:
    case 8:
    case 49:
    case 50:
      PostVolumeCommand(keyNumber);
      return 1;
    case 33:
      PostMediaCommand(0x2002);
      return 1;
    case 34:
      PostMediaCommand(0x2001);
      return 1;
    case 35:
      PostMediaCommand(0x2003);
      return 1;
    case 36:
      PostMediaCommand(0x2004);
      return 1;
    case 64:
      PostWirelessKey();
      return 1;
    case 80:
      StartShutdown();
      return 1;
    default:
      return PostLauncherKey(keyNumber);
  }
}

bool PostSwitcherKey() {
  if (HWND switcher = FindWindowA(kSwitcherClass, nullptr)) PostMessageA(switcher, KELVANE_SHOW_POPUP, 0, 0);
  return true;
}

void PostVolumeCommand(int keyNumber) {
  HWND meter = FindWindowA(kVolumeClass, kVolumeTitle);
  const UINT volumeMessage = RegisterWindowMessageA(kVolumeMessage);
  LPARAM command;
  switch (keyNumber) {
    case 5:
    case 8:
      command = '3';
      break;
    case 49:
      command = '1';
      break;
    case 50:
      command = '2';
      break;
    default:
      return;
  }
  if (meter) PostMessageA(meter, volumeMessage, 0, command);
}

}  // namespace plimset
