// Resource identifiers of Contave.exe. The numbers of dialogs, controls and strings are the ones
// the program has always used; the few the windows add of their own are marked "private".
#pragma once

#define IDI_CONTAVE 128

// String table: start-up and run-time messages.
#define IDS_CANT_LOAD_WAB 1
#define IDS_ALREADY_RUNNING 2
#define IDS_CANT_OPEN_WAB 3
#define IDS_CANT_INIT_LDAP 4
#define IDS_CANT_LIST_WAB_FOLDERS 5
#define IDS_CANT_OPEN_HOME 6
#define IDS_WAB_FOLDERS_SAME 7
#define IDS_CANT_REGISTER 8
#define IDS_CANT_UNREGISTER 9
#define IDS_ENTER_FOLDER_NAME 10
#define IDS_CANT_GET_LDAP_INFO 11

// Dialogs.
#define IDD_SYNC_PAGE 107
#define IDD_SETTINGS_PAGE 108
#define IDD_COLLISION 132
#define IDD_CONFIRMATION 133
#define IDD_RESULT 135
#define IDD_RESULT_STATISTICS 136
#define IDD_RESULT_ERROR 137
#define IDD_ABOUT 138
#define IDD_INTERNAL_ERROR 141
#define IDD_WARNING 142

// Synchronization page.
#define IDC_SYNC_LOCAL_PRIVATE 1001
#define IDC_SYNC_LOCAL_PUBLIC 1002
#define IDC_SYNC_PRIVATE 1003
#define IDC_SYNC_PUBLIC 1004
#define IDC_SYNC_SERVER_PRIVATE 1005
#define IDC_SYNC_RUN 1006
#define IDC_SYNC_PROGRESS 1020
#define IDC_SYNC_FOLDER_TEXT 1024
#define IDC_SYNC_ACTION_TEXT 1025
#define IDC_SYNC_STEP_TEXT 1026
#define IDC_SYNC_GROUP 1042
#define IDC_SYNC_SERVER_PUBLIC 1057

// Settings page.
#define IDC_SETTINGS_HOST 1007
#define IDC_SETTINGS_USER 1008
#define IDC_SETTINGS_PASSWORD 1009
#define IDC_SETTINGS_TWO_WAY_PUBLIC 1048
#define IDC_SETTINGS_AUTO_CONF 1049
#define IDC_SETTINGS_TWO_WAY_PRIVATE 1050
#define IDC_SETTINGS_ABOUT 1052
#define IDC_SETTINGS_METHOD 1057

// Collision window; OK (IDOK) returns the selected solution.
#define IDC_COLLISION_LOCAL 1010
#define IDC_COLLISION_SERVER 1011
#define IDC_COLLISION_TYPE 1012
#define IDC_COLLISION_USE_SERVER 1014
#define IDC_COLLISION_USE_LOCAL 1015
#define IDC_COLLISION_DELETE_SERVER 1016
#define IDC_COLLISION_DELETE_LOCAL 1017
#define IDC_COLLISION_DELETE_BOTH 1018

// Confirmation window: IDYES, IDNO and two private buttons.
#define IDC_CONFIRM_OPERATION 1019
#define IDC_CONFIRM_NAME 1020
#define IDC_CONFIRM_YES_TO_ALL 1090  // private
#define IDC_CONFIRM_NO_TO_ALL 1091   // private

// Result window (IDOK) and its panes.
#define IDC_RESULT_UPPER 1027
#define IDC_RESULT_LOWER 1028
#define IDC_PANE_SERVER_CREATED 1032
#define IDC_PANE_SERVER_DELETED 1033
#define IDC_PANE_SERVER_MODIFIED 1034
#define IDC_PANE_LOCAL_CREATED 1035
#define IDC_PANE_LOCAL_DELETED 1036
#define IDC_PANE_LOCAL_MODIFIED 1037
#define IDC_PANE_CANCELED 1038
#define IDC_PANE_FAILED 1039
#define IDC_PANE_ERROR_MESSAGE 1034
#define IDC_PANE_ERROR_CODE 1035
#define IDC_PANE_ERROR_TEXT 1036
#define IDC_PANE_GROUP 1092          // private: the pane's frame with the pair's name

// Warning window: IDYES, IDNO.
#define IDC_WARNING_TEXT 1093        // private

// About window (IDOK) and internal-error window (IDABORT).
#define IDC_ABOUT_VERSION 1094       // private
#define IDC_INTERNAL_ERROR_TEXT 1095 // private
#define IDC_DIALOG_ICON 1096         // private: the icon of a message window
