// Resource and command identifiers of Twinsweep.exe, grouped by window. Shared by
// the resource script (windres) and the C++ code.
#pragma once

// The main frame: menu, accelerators, icon, toolbar and document string share it.
#define IDR_MAINFRAME                   128

// Dialog templates
#define IDD_ABOUTBOX                    100
#define IDD_RESULT_VIEW                 101
#define IDD_DIR_VIEW                    102
#define IDD_SELECT_FILES                136
#define IDD_OPTIONS                     138
#define IDD_PROGRESS                    151
#define IDD_STAT_VIEW                   152
#define IDD_CHECK_LIST_POPUP            153
#define IDD_INSTALL                     213

// Menus
#define IDR_CONTEXT_MENUS               135   // popups 0 "DirView", 1 "ResultView", 2 "CheckList"

// Bitmaps
#define IDB_TOOLBAR                     128   // ten 28 x 26 images
#define IDB_CAPTION_FOLDERS             130
#define IDB_CAPTION_RESULT              131
#define IDB_STAT_IMAGES                 137   // six 20 x 20 images, red transparent
#define IDB_LOGO                        142   // 78 x 19, red transparent
#define IDB_MENU_EXPLORE                146
#define IDB_STOP                        152   // 34 x 32, blue transparent
#define IDB_CAPTION_STATISTICS          153
#define IDB_MENU_OPEN                   154
#define IDB_MENU_REMOVE                 155
#define IDB_MENU_REMOVE_ALL             156
#define IDB_MENU_PROPERTIES             157
#define IDB_MENU_SELECT                 158
#define IDB_MENU_DELETE                 159

// Icons and cursors
#define IDI_FOLDER                      133
#define IDC_HAND_LINK                   151

// The download's ReadMe.txt as the package writes it (LF line ends), by which the
// uninstall run knows its own from a user's file of the same name.
#define IDR_README                      240

// Custom resource type of the toolbar layout
#define RT_TOOLBAR_LAYOUT               241

// Strings
#define IDS_APP_TITLE                   57344 // "Twinsweep"
#define IDS_IDLE_MESSAGE                57345 // "Ready"
#define IDS_ALREADY_RUNNING             61204
#define IDS_CONFIRM_UNINSTALL           61205
#define IDS_UNINSTALLED                 61206
#define IDS_CONFIRM_CANCEL_INSTALL      61207
#define IDS_NO_DUPLICATES               61209
// What the install and uninstall runs report: their headings, then the steps.
#define IDS_ELEVATION_FAILED            61230
#define IDS_INSTALL_NOT_DONE            61231
#define IDS_UNINSTALL_NOT_DONE          61232
#define IDS_STEP_UNINSTALL_ENTRY        61233
#define IDS_STEP_SETTINGS               61234
#define IDS_STEP_DESKTOP_SHORTCUT       61235
#define IDS_STEP_START_MENU_SHORTCUT    61236
#define IDS_STEP_EXPLORER               61237
#define IDS_STEP_EXPLORER_MISSING       61238
#define IDS_STEP_COMPANION_FILES        61239
#define IDS_STEP_PROGRAM_FILES          61240

// Commands
#define ID_ADD_FOLDER                   57601
#define ID_GO                           32772
#define ID_REMOVE_SELECTED_DIRECTORIES  32773
#define ID_REMOVE_ALL_FOLDERS           32774
#define ID_EMPTY_LIST                   32776
#define ID_EXPLORE_FILE_FOLDER          32778
#define ID_OPEN_FILE_FOLDER             32779
#define ID_REMOVE_SELECTED_ITEMS        32780
#define ID_DELETE_SELECTED_FILES        32781
#define ID_FILE_PROPERTIES              32782
#define ID_EXPLORE_FOLDER               32783
#define ID_OPEN_FOLDER                  32784
#define ID_FOLDER_PROPERTIES            32785
#define ID_REMOVE_FOLDERS               32786
#define ID_SELECT_FILES                 32788
#define ID_OPTIONS                      32790
#define ID_CHECK_ALL                    32791
#define ID_UNCHECK_ALL                  32792
#define ID_OTHER_PROJECTS               32793
#define ID_TOOLBAR_FILTER_FIRST         32794
#define ID_TOOLBAR_FILTER_LAST          32797
#define ID_TOOLBAR_FILTER_MIDDLE        32798
#define ID_HELP_CONTENTS                32800
#define ID_EXPLORE_EQUAL_FOLDER         32801
#define ID_OPEN_EQUAL_FOLDER            32802
#define ID_DELETE_EQUAL_FOLDERS         32803
#define ID_EQUAL_FOLDER_PROPERTIES      32804
#define ID_APP_ABOUT                    57664
#define ID_APP_EXIT                     57665
#define ID_NEXT_PANE                    57680
#define ID_PREV_PANE                    57681

// Controls
#define IDC_FILTER_BOX                  105
#define ID_STATUS_INFO                  106
#define IDC_FOLDER_LIST                 1000
#define IDC_FILE_LIST                   1002
#define IDC_SECOND_FILE_LIST            1003
#define IDC_STAT_LIST                   1007
#define IDC_RESULT_TABS                 1008
#define IDC_PROGRESS_TEXT               1013
#define IDC_ABOUT_LINK                  1016
#define IDC_OVERALL_BAR                 1038
#define IDC_STOP                        1039
#define IDC_FILE_BAR                    1040

// Controls of the Options panel
#define IDC_SHOW_EMPTY_FILES            1010
#define IDC_EQUAL_NAMES                 1011
#define IDC_EQUAL_CONTENTS              1012
#define IDC_EQUAL_EXTENSIONS            1013
#define IDC_FILES_IN_RANGE              1021
#define IDC_RANGE_FROM                  1022
#define IDC_RANGE_FROM_SPIN             1023
#define IDC_RANGE_FROM_UNIT             1024
#define IDC_RANGE_TO                    1025
#define IDC_RANGE_TO_SPIN               1026
#define IDC_RANGE_TO_UNIT               1027
#define IDC_RANGE_TO_TEXT               1028

// Controls of the Select files dialog and its drive pick list
#define IDC_SEL_CONTAIN_ON              1004
#define IDC_SEL_DRIVES                  1005
#define IDC_SEL_EXT_ON                  1007
#define IDC_SEL_DRIVES_ON               1009
#define IDC_CHECK_LIST                  1010
#define IDC_SEL_WHAT                    1015
#define IDC_SEL_UNSELECT_OTHERS         1017
#define IDC_SEL_CONTAIN                 1020
#define IDC_SEL_EXT                     1021

// Install dialog
#define IDC_INSTALL_DESKTOP             1019
#define IDC_INSTALL_START_MENU          1020
#define IDC_INSTALL_RUN_NOW             1021
#define IDC_INSTALL_EXPLORER            1022

// Standard ids of the frame's bars and panes
#define ID_TOOLBAR_WINDOW               0xE800
#define ID_STATUS_WINDOW                0xE801
#define ID_FIRST_PANE                   0xE900
