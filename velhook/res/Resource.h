// Velhook's resource identifiers. The numbers are the ones the module has always used: other
// modules and translations find the texts and pictures by them.
#pragma once

#define IDR_REGISTRATION_SCRIPT 128

// Strings.
#define IDS_RULES_MENU 129
#define IDS_RUNTIME_NOT_LOADED 130
#define IDS_RUNTIME_WRONG_VERSION 131
#define IDS_SYNC_MENU 132
#define IDS_ABOUT_MENU 133
#define IDS_UNSUPPORTED_VERSION 200
#define IDS_UNSUPPORTED_VERSION_CHOICE 201
#define IDS_MARK_ALL_READ 301
#define IDS_MARK_ALL_UNREAD 302
#define IDS_REMOVE_DELETED 303
#define IDS_ACCOUNT_NAME_COLUMN 1000
#define IDS_HOST_NAME_COLUMN 1001
#define IDS_USER_NAME_COLUMN 1002
#define IDS_ENABLE_EXTENSIONS 1030
#define IDS_SHARING_AND_SECURITY 1031
// The IMAP Folders dialog's added tabs and controls.
#define IDS_SHARED_TAB 1003
#define IDS_PERMISSIONS_COLUMN 1004
#define IDS_FOLDER_PROPERTIES 1005
#define IDS_SHARED_FOLDERS 1006
#define IDS_PUBLIC_FOLDERS 1007
#define IDS_BACKUP_FOLDERS 1008
#define IDS_ADD_MAPPING 1010
#define IDS_REMOVE_MAPPING 1011
#define IDS_SHARING_AND_MAPPING 1012
#define IDS_MAPPING_NAME_COLUMN 1013
#define IDS_MAPPINGS_TAB 1014
#define IDS_TYPE_LABEL 1015
#define IDS_MAPPING_NAME_LABEL 1017
#define IDS_USER_NAME_LABEL 1018
#define IDS_SHARED_FOLDERS_OF_USER 1019
#define IDS_MAPPING_TARGET_COLUMN 1020
#define IDS_DOUBLE_CLICK_TO_SHARE 1032

// Bitmaps: the strip whose first picture marks enabled accounts in the folder tree, and the
// banners shown under the splash screen of Outlook Express 5 and 6.
#define IDB_ACCOUNT_ICONS 200
// Its first picture marks shared folders in the IMAP Folders dialog (overlay 1).
#define IDB_SHARED_OVERLAY 201
#define IDB_BANNER_5 202
#define IDB_BANNER_6 203

// The warning for an Outlook Express version that is not on the supported list.
#define IDD_VERSION_WARNING 210
#define IDC_VERSION_WARNING_ICON 211
#define IDC_VERSION_WARNING_TEXT 212
#define IDC_VERSION_WARNING_DONT_SHOW 213

// The hint for a command without an enabled account, and the welcome dialog of the first run.
#define IDD_HINT 143
#define IDD_WELCOME 144
#define IDC_WELCOME_ACCOUNTS 206
#define IDC_WELCOME_TITLE 207
#define IDC_WELCOME_LINK 208

// The switch for the extension placed on an account's first property page, with its link.
#define IDD_ACCOUNT_EXTENSION 140
#define IDC_ENABLE_ACCOUNT 203
#define IDC_ACCOUNT_LINK 209
