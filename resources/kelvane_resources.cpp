#include "resources/kelvane_resources.h"

#include "resources/kelvane_ids.h"

const sim::ResourceTable& KelvaneResources() {
  static const sim::ResourceTable table = [] {
    sim::ResourceTable t;
    t.strings = {{IDS_APP_TITLE, KELVANE_TITLE_TEXT},
                 {IDS_POPUP_TITLE, KELVANE_POPUP_TITLE_TEXT},
                 {IDC_KELVANE, KELVANE_CLASS_TEXT}};
    t.icons = {IDI_KELVANE};  // no small icon: LoadIconA(108) finds nothing
    t.menus = {IDC_KELVANE};
    t.acceleratorTableId = IDC_KELVANE;
    t.accelerators = {{FALT, static_cast<WORD>(ABOUT_KEY_1[0]), IDM_ABOUT},
                      {FALT, static_cast<WORD>(ABOUT_KEY_2[0]), IDM_ABOUT}};
    return t;
  }();
  return table;
}
