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

// Bitmaps: the strip whose first picture marks enabled accounts in the folder tree, and the
// banners shown under the splash screen of Outlook Express 5 and 6.
#define IDB_ACCOUNT_ICONS 200
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
