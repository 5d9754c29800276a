// Identifiers shared by kelvora.rc and the code: the single source of truth
// for resource numbers, control identifiers and menu commands.
#pragma once

// Resources
#define IDD_MAIN_DIALOG          1000
#define IDI_MAIN_ICON             999
#define IDM_MAIN_MENU           10000

// Menu commands
#define IDM_FILE_QUIT           10001
#define IDM_HELP_ABOUT          10101

// Controls of the main dialog, in template order
#define IDC_TOUCH_BUTTON         1001
#define IDC_QUIT_BUTTON          1002
#define IDC_STATUS_BAR           1003
#define IDC_RESULT_LIST          1004
#define IDC_ORIGINALS_LABEL      1005
#define IDC_ORIGINALS_FOLDER     1006
#define IDC_BROWSE_ORIGINALS     1007
#define IDC_BROWSE_COPIES        1008
#define IDC_COPIES_FOLDER        1009
#define IDC_COPIES_LABEL         1010
#define IDC_PROGRESS_BAR         1011
#define IDC_SHIFT_LABEL          1012
#define IDC_SHIFT_EDIT           1013
#define IDC_UNIT_GROUP           1014
#define IDC_UNIT_HOURS           1015
#define IDC_UNIT_MINUTES         1016
#define IDC_UNIT_SECONDS         1017

// The three unit radio buttons are consecutive
#define IDC_UNIT_FIRST           IDC_UNIT_HOURS
#define IDC_UNIT_LAST            IDC_UNIT_SECONDS
