// The "Power Scheme" popup: opened by the first key message with the active
// scheme selected, moved one step down by each further one, and committed
// once the key has been left alone.
#include "switcher/kelvane.h"
#include "switcher/quiet_clock.h"

namespace kelvane {
namespace {

constexpr DWORD kPopupStyle = WS_VISIBLE | WS_CAPTION;  // no system menu, close box or sizing border
constexpr DWORD kListBoxStyle = WS_CHILD | WS_VISIBLE;  // unsorted, no notifications, no border
constexpr int kMargin = 30;                             // of the rectangle handed to AdjustWindowRect
constexpr int kBandAboveList = 5;

// Schemes whose activation is also told to the driver; ends with null.
const WCHAR* const kPresentationSchemeNames[] = {WIDE_TEXT("Presentation"), nullptr};

bool SameText(const WCHAR* a, const WCHAR* b) {
  while (*a && *a == *b) {
    ++a;
    ++b;
  }
  return *a == *b;
}

// Width of the widest scheme name in the default font of the main window.
int WidestName(PowerProfileApi& api, HDC dc) {
  int widest = 0;
  for (strlib::SLink* link = api.schemes.head; link; link = link->next) {
    const strlib::SWString& name = static_cast<strlib::SchemeLink*>(link)->name;
    SIZE size = {0, 0};
    if (IsWin9x()) {
      strlib::SString narrow(name);
      GetTextExtentPoint32A(dc, narrow, narrow.Length(), &size);
    } else {
      GetTextExtentPoint32W(dc, name, name.Length(), &size);
    }
    if (size.cx > widest) widest = size.cx;
  }
  return widest;
}

}  // namespace

bool IsPresentationScheme(const WCHAR* name) {
  for (const WCHAR* const* entry = kPresentationSchemeNames; *entry; ++entry) {
    if (SameText(name, *entry)) return true;
  }
  return false;
}

void SwitcherApp::ShowPopup() {
  PowerProfileApi& api = PowerProfile();
  api.RefreshSchemes();
  const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
  const int screenHeight = GetSystemMetrics(SM_CYSCREEN);

  HDC dc = GetDC(mainWindow);
  TEXTMETRICA metrics;
  metrics.tmHeight = 0;
  GetTextMetricsA(dc, &metrics);
  const int lineHeight = metrics.tmHeight;
  const int count = api.schemes.Count();
  const int textWidth = WidestName(api, dc);
  ReleaseDC(mainWindow, dc);

  const int listWidth = textWidth + 4;
  const int listHeight = count * lineHeight + 2;
  RECT frame = {kMargin, kMargin, listWidth + kMargin, listHeight + kMargin};
  AdjustWindowRect(&frame, WS_CAPTION, FALSE);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top + kBandAboveList;

  // Centred by `width`, created one pixel wider.
  popupWindow =
      CreateWindowExA(0, kPopupClassName, kPopupTitle, kPopupStyle, (screenWidth - width) / 2,
                      (screenHeight - height) / 2, width + 1, height, mainWindow, nullptr, instance, nullptr);
  listBox = CreateWindowExA(0, "LISTBOX", "", kListBoxStyle, 0, kBandAboveList, listWidth, listHeight,
                            popupWindow, nullptr, instance, nullptr);
  api.FillSchemeList(listBox);
  SetWindowPos(popupWindow, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
  UpdateWindow(popupWindow);
  // The hidden main window first, then the popup.
  SetActiveWindow(mainWindow);
  SetFocus(mainWindow);
  SetActiveWindow(popupWindow);
  SetFocus(popupWindow);
}

int SwitcherApp::AdvancePopup() {
  // The error box of a failed binding runs a message loop of its own, which
  // hands this message here too: without the library the key does nothing.
  if (!PowerProfile().IsBound()) return 0;
  if (!popupWindow) {
    ShowPopup();  // the first press only opens, with the active scheme selected
  } else if (listBox) {
    const LRESULT count = SendMessageA(listBox, LB_GETCOUNT, 0, 0);
    LRESULT next = SendMessageA(listBox, LB_GETCURSEL, 0, 0) + 1;
    if (next == count) next = 0;
    SendMessageA(listBox, LB_SETCURSEL, static_cast<WPARAM>(next), 0);
  }
  lastKeyTime = QuietClockNow();
  return 0;
}

void SwitcherApp::CommitPopup() {
  if (!popupWindow) return;
  PowerProfileApi& api = PowerProfile();
  strlib::SchemeLink* chosen = nullptr;
  if (listBox) chosen = api.SchemeAt(static_cast<int>(SendMessageA(listBox, LB_GETCURSEL, 0, 0)));
  // Takes the list box with it; the popup's WM_DESTROY clears popupWindow.
  DestroyWindow(popupWindow);
  if (!chosen) return;
  // A refused activation leaves the old scheme active: nothing to tell.
  if (!api.SetActiveScheme()(chosen->index, nullptr, nullptr)) return;
  if (device == INVALID_HANDLE_VALUE) return;
  if (IsPresentationScheme(chosen->name)) SendPresentationNotice();
}

}  // namespace kelvane
