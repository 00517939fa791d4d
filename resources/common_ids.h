/* Resource ids and texts that both programs' resource sets share: the title
   string, the About dialog and the two menu commands. Plain C preprocessor
   only, so that windres and the C++ build read the same file. */
#ifndef RESOURCES_COMMON_IDS_H
#define RESOURCES_COMMON_IDS_H

#define IDS_APP_TITLE 103
#define IDD_ABOUTBOX 103
#define IDM_ABOUT 104
#define IDM_EXIT 105

#define MENU_FILE_TEXT "&File"
#define MENU_EXIT_TEXT "E&xit"
#define MENU_HELP_TEXT "&Help"
#define MENU_ABOUT_TEXT "&About ..."

/* Alt with either character opens About (character codes, not virtual keys). */
#define ABOUT_KEY_1 "?"
#define ABOUT_KEY_2 "/"

#endif
