// kelvane, the power-scheme switcher: a hidden main window that answers the
// dispatcher's KELVANE_SHOW_POPUP with a small "Power Scheme" popup, moves its
// selection on each further press and, once the key has been left alone for
// 2.5 seconds, makes the selected scheme the active power scheme.
#pragma once

#include "platform/win32.h"
#include "strlib/scheme_link.h"
#include "strlib/slist.h"
#include "strlib/sstring.h"

namespace kelvane {

// The one message that crosses from the dispatcher: show the popup, or move
// its selection one step. wParam and lParam are 0 and not read.
constexpr UINT KELVANE_SHOW_POPUP = 0x1635;

// The only request sent to the driver KELVANE: device type 0x22, function
// 0x900, METHOD_BUFFERED, FILE_ANY_ACCESS, no buffers.
constexpr DWORD IOCTL_KELVANE_PRESENTATION = 0x222400;

constexpr char kMainClassName[] = "NorvoKelvaneClass";
constexpr char kPopupClassName[] = "NorvoKelvaneClass1";
constexpr char kPopupTitle[] = "Power Scheme";
// Nobody starts a timer on the main window; a WM_TIMER that arrives from
// elsewhere closes the popup and kills this id.
constexpr UINT_PTR kStrayTimerId = 4096;

// The program's window, driver and timing state; exists once.
class SwitcherApp {
 public:
  HINSTANCE instance = nullptr;
  strlib::SString title;
  HWND mainWindow = nullptr;
  // The popup while it exists; null is the only sign that none is shown.
  HWND popupWindow = nullptr;
  // The popup's list box; meaningful only while popupWindow is set.
  HWND listBox = nullptr;
  HANDLE device = INVALID_HANDLE_VALUE;
  const char* serviceName = "KELVANE";
  // Quiet-clock reading (see quiet_period.h) at the last show or move.
  LONGLONG lastKeyTime = 0;

  // Application object (switcher_app.cpp).
  void LoadTitle(UINT id);
  void ReportError(const char* text);

  // Frame (frame.cpp, quiet_period.cpp).
  ATOM RegisterWindowClasses(HINSTANCE hInstance);
  int CreateMainWindow(HINSTANCE hInstance, int showCommand);
  // Commits the popup when the quiet period is over. Returns how many
  // milliseconds the loop may wait before the next test is due (0 when no
  // popup is left to test).
  DWORD CheckQuietPeriod();
  void Teardown();

  // Popup (scheme_popup.cpp).
  int AdvancePopup();
  void ShowPopup();
  void CommitPopup();

  // Driver service and device (driver_service.cpp).
  int InstallDriverService();
  int OpenKeyDevice();
  int RemoveDriverService();
  void CloseKeyDevice();
  void SendPresentationNotice();
};

// Entry points of the power-profile library, under the signatures the
// program calls them with. The enumeration callback receives the names as
// 16-bit text on Windows NT and as 8-bit text on Windows 95/98/Me.
typedef BOOLEAN(WINAPI* PwrSchemesEnumProc)(UINT index, DWORD nameSize, LPWSTR name, DWORD descriptionSize,
                                            LPWSTR description, void* policy, LPARAM context);
typedef BOOLEAN(WINAPI* EnumPwrSchemesFunction)(PwrSchemesEnumProc callback, LPARAM context);
typedef BOOLEAN(WINAPI* GetActivePwrSchemeFunction)(PUINT index);
typedef BOOLEAN(WINAPI* SetActivePwrSchemeFunction)(UINT index, void* globalPolicy, void* policy);

// The binding to "powrprof.dll" and the list of power schemes.
class PowerProfileApi {
 public:
  enum Entry { kEnumPwrSchemes, kGetActivePwrScheme, kSetActivePwrScheme, kWritePwrScheme, kEntryCount };

  PowerProfileApi() = default;
  PowerProfileApi(const PowerProfileApi&) = delete;
  PowerProfileApi& operator=(const PowerProfileApi&) = delete;
  ~PowerProfileApi();

  HMODULE module = nullptr;
  // SchemeLink elements in the order the library reported them.
  strlib::SList schemes;
  const char* libraryName = "powrprof.dll";
  const char* entryNames[kEntryCount] = {"EnumPwrSchemes", "GetActivePwrScheme", "SetActivePwrScheme",
                                         "WritePwrScheme"};
  FARPROC entryAddresses[kEntryCount] = {nullptr, nullptr, nullptr, nullptr};

  // 1 when the library is loaded and all four entry points are resolved;
  // otherwise 0 after one error box.
  int Load();
  void ReportMissingEntryPoint(const char* name);
  // Whether Load has resolved all four entry points. Until then none of
  // them may be called.
  bool IsBound() const;

  // Scheme list and list box (power_schemes.cpp).
  void RefreshSchemes();
  void FillSchemeList(HWND listBox);
  strlib::SchemeLink* SchemeAt(int position);

  EnumPwrSchemesFunction EnumSchemes() const;
  GetActivePwrSchemeFunction GetActiveScheme() const;
  SetActivePwrSchemeFunction SetActiveScheme() const;
};

BOOLEAN WINAPI SchemeEnumProc(UINT index, DWORD nameSize, LPWSTR name, DWORD descriptionSize,
                              LPWSTR description, void* policy, LPARAM context);

// Whether a committed scheme's name asks for the driver notice: exact,
// case-sensitive comparison of 16-bit units with PresentationSchemeNames.
bool IsPresentationScheme(const WCHAR* name);

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK PopupWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Program entry: start-up, message loop and teardown; returns the exit code.
int WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand);

// The program's static objects (program_statics.cpp).
SwitcherApp& App();
PowerProfileApi& PowerProfile();
// True on Windows 95/98/Me (platform id 1): 8-bit text calls and the VxD.
bool IsWin9x();
// Builds the static objects in their order; the simulated desktop calls it
// before the entry, as the runtime does for a real program.
void BuildStatics();

}  // namespace kelvane
