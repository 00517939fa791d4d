// The list of power schemes: filled by the library's enumeration each time
// the popup opens, shown in the popup's list box in the same order.
#include "switcher/kelvane.h"

namespace kelvane {

BOOLEAN WINAPI SchemeEnumProc(UINT index, DWORD, LPWSTR name, DWORD, LPWSTR, void*, LPARAM context) {
  strlib::SchemeLink* link = new strlib::SchemeLink;
  // Names are always held as 16-bit text; Windows 95/98/Me reports 8-bit
  // text, converted through the OEM code page.
  if (name && IsWin9x()) {
    link->name.Assign(reinterpret_cast<const char*>(name));
  } else if (name) {
    link->name.Assign(name);
  }
  link->index = index;
  reinterpret_cast<strlib::SList*>(context)->Append(link);
  return TRUE;  // always run to the last scheme
}

void PowerProfileApi::RefreshSchemes() {
  schemes.Clear();
  EnumSchemes()(SchemeEnumProc, reinterpret_cast<LPARAM>(&schemes));
}

strlib::SchemeLink* PowerProfileApi::SchemeAt(int position) {
  return static_cast<strlib::SchemeLink*>(schemes.At(position));
}

void PowerProfileApi::FillSchemeList(HWND listBox) {
  for (strlib::SLink* link = schemes.head; link; link = link->next) {
    const strlib::SWString& name = static_cast<strlib::SchemeLink*>(link)->name;
    if (IsWin9x()) {
      strlib::SString narrow(name);
      SendMessageA(listBox, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(narrow.Chars()));
    } else {
      SendMessageW(listBox, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.Chars()));
    }
  }
  // An active index that names no listed scheme selects nothing, so that a
  // single press cannot activate a scheme the user never chose.
  int position = -1;
  UINT active = 0;
  if (GetActiveScheme()(&active) && schemes.head) {
    int at = 0;
    for (strlib::SLink* link = schemes.head; link; link = link->next, ++at) {
      if (static_cast<strlib::SchemeLink*>(link)->index == active) {
        position = at;
        break;
      }
    }
  }
  SendMessageA(listBox, LB_SETCURSEL, static_cast<WPARAM>(position), 0);
}

}  // namespace kelvane
