/* Resource ids and texts of plimset, read by plimset.rc and by the Linux
   build's resource table. Plain C preprocessor only (windres reads it). */
#ifndef RESOURCES_PLIMSET_IDS_H
#define RESOURCES_PLIMSET_IDS_H

#include "common_ids.h"

#define IDI_PLIMSET 107 /* 32x32 and 16x16, 16 colours */
#define IDI_SMALL 108   /* 16x16, 16 colours */
#define IDC_PLIMSET 109 /* string: window class name; menu and accelerator table id */

#define PLIMSET_TITLE_TEXT "Plimset"
#define PLIMSET_CLASS_TEXT "PLIMSET"

#endif
