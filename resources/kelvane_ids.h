/* Resource ids and texts of kelvane, read by kelvane.rc and by the Linux
   build's resource table. Plain C preprocessor only (windres reads it).
   Only string 103, icon 107 and menu 109 are used by the program; string 106,
   string 109, the accelerator table and the dialogs are carried but never
   loaded. There is no icon 108: the small class icon falls back to 107. */
#ifndef RESOURCES_KELVANE_IDS_H
#define RESOURCES_KELVANE_IDS_H

#include "common_ids.h"

#define IDS_POPUP_TITLE 106
#define IDI_KELVANE 107
#define IDI_KELVANE_SMALL 108 /* requested by the program, deliberately absent */
#define IDC_KELVANE 109       /* string, menu and accelerator table id */
#define IDD_KELVANE_SCHEMES 129
#define IDD_KELVANE_NOTICE 131

#define KELVANE_TITLE_TEXT "Tesmor"
#define KELVANE_POPUP_TITLE_TEXT "Power Scheme"
#define KELVANE_CLASS_TEXT "KELVANE"

#endif
