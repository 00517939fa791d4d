#include "resources/plimset_resources.h"

#include "resources/plimset_ids.h"

const sim::ResourceTable& PlimsetResources() {
  static const sim::ResourceTable table = [] {
    sim::ResourceTable t;
    t.strings = {{IDS_APP_TITLE, PLIMSET_TITLE_TEXT}, {IDC_PLIMSET, PLIMSET_CLASS_TEXT}};
    t.icons = {IDI_PLIMSET, IDI_SMALL};
    t.menus = {IDC_PLIMSET};
    t.acceleratorTableId = IDC_PLIMSET;
    // Character codes with Alt, as the .rc's ASCII entries (no FVIRTKEY).
    t.accelerators = {{FALT, static_cast<WORD>(ABOUT_KEY_1[0]), IDM_ABOUT},
                      {FALT, static_cast<WORD>(ABOUT_KEY_2[0]), IDM_ABOUT}};
    return t;
  }();
  return table;
}
