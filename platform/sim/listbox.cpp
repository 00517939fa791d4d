// The system's LISTBOX control, as far as the programs use it: an unsorted
// list of texts with one selection.
#include "state.h"

namespace sim {

LRESULT ListBoxMessage(Window& window, UINT message, WPARAM wParam, LPARAM lParam, bool wide) {
  ListBoxState& list = *window.listBox;
  const int count = static_cast<int>(list.items.size());
  switch (message) {
    case LB_ADDSTRING: {
      if (!lParam) return LB_ERR;
      std::u16string text;
      if (wide) {
        for (const WCHAR* p = reinterpret_cast<const WCHAR*>(lParam); *p; ++p) text += *p;
      } else {
        // 8-bit items are shown as the ANSI code page's Latin-1 range.
        for (const char* p = reinterpret_cast<const char*>(lParam); *p; ++p)
          text += static_cast<unsigned char>(*p);
      }
      list.items.push_back(text);
      return static_cast<LRESULT>(list.items.size() - 1);
    }
    case LB_SETCURSEL: {
      const int index = static_cast<int>(wParam);
      if (index < 0 || index >= count) {
        list.selection = -1;
        return static_cast<int>(wParam) == -1 ? 0 : LB_ERR;
      }
      list.selection = index;
      return index;
    }
    case LB_GETCURSEL:
      return list.selection;
    case LB_GETCOUNT:
      return count;
    case LB_GETTEXTLEN: {
      const int index = static_cast<int>(wParam);
      return index < 0 || index >= count ? LB_ERR : static_cast<LRESULT>(list.items[index].size());
    }
    default:
      return DefWindowProcA(window.handle, message, wParam, lParam);
  }
}

// Items and selection of a list box, for tests.
std::vector<std::u16string> ListBoxItems(HWND handle) {
  Window* window = FindWindowRecord(handle);
  return window && window->listBox ? window->listBox->items : std::vector<std::u16string>();
}

int ListBoxSelection(HWND handle) {
  Window* window = FindWindowRecord(handle);
  return window && window->listBox ? window->listBox->selection : LB_ERR;
}

}  // namespace sim
