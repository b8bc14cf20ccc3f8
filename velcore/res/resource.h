// Identifiers of Velcore's resources. The numbers are part of the interface: a language library
// (Velcore<LANGID>.dll) carries the same identifiers with translated texts. Plain #defines, so
// that the resource compiler and the C++ code read the same file.
#pragma once

// Strings
#define IDS_CAPTION 1
#define IDS_SERVER_ROOT 134             // "Velor MailServer '%s'"
#define IDS_PASSWORD_INCORRECT 135
#define IDS_CAPABILITY_MISSING 137
#define IDS_ABOUT_TITLE 400
#define IDS_ACL_ALL_RIGHTS 500          // "All"
#define IDS_SPA_NOT_SUPPORTED 1100
#define IDS_SERVER_TIMEOUT 1200
#define IDS_FOLDER_INBOX 1400
#define IDS_FOLDER_SENT 1401
#define IDS_FOLDER_DELETED 1402
#define IDS_FOLDER_DRAFTS 1403
#define IDS_FOLDER_PUBLIC 1404
#define IDS_FOLDER_BACKUP 1405
#define IDS_SCRIPT_LIST_FAILED 3002
#define IDS_SCRIPT_NONE_ACTIVE 3003
#define IDS_SCRIPT_RECEIVE_FAILED 3004
#define IDS_SCRIPT_ERROR_CODE 3005      // "\n\nError Code 0x%08X"
#define IDS_ACL_SET_FAILED 3006
#define IDS_ACL_RECEIVE_FAILED 3007
#define IDS_SCRIPT_UPDATED 3303
#define IDS_SCRIPT_NOT_UPDATED 3304
#define IDS_MODULE_MISSING 3350
#define IDS_FUNCTION_MISSING 3351

// Dialogs and their controls
#define IDD_ABOUT_GENERAL 4000
#define IDC_ABOUT_PICTURE 400
#define IDC_ABOUT_VERSION 401
#define IDD_LOGON 4100
#define IDC_LOGON_USER 219
#define IDC_LOGON_PASSWORD 220
#define IDC_LOGON_REMEMBER 221
#define IDC_LOGON_SERVER 223

// Pictures
#define IDB_FOLDERS 200
#define IDB_ABOUT 204
#define IDI_LOGON 207

// The server-certificate question: its texts and its dialog
#define IDS_CERTIFICATE_UNTRUSTED 1300
#define IDS_CERTIFICATE_CHANGED 1301
#define IDS_CERTIFICATE_UNKNOWN_ISSUER 1302
#define IDS_CERTIFICATE_EXPIRED 1303
#define IDS_CERTIFICATE_WRONG_NAME 1304
#define IDS_CERTIFICATE_OTHER 1305           // "... (error 0x%08X)"
#define IDD_CERTIFICATE 4300
#define IDC_CERTIFICATE_ICON 310
#define IDC_CERTIFICATE_INTRO 311
#define IDC_CERTIFICATE_SERVER 312
#define IDC_CERTIFICATE_PROBLEMS 313
#define IDC_CERTIFICATE_FINGERPRINT 314
#define IDC_CERTIFICATE_ALWAYS 315
