// Identifiers of the sharing windows' resources: the "Sharing and Security" page and its
// Add User/Group dialog, the IMAP Folders window and the address-book picker. Like resource.h,
// the numbers are part of the interface that a language library repeats.
#pragma once

// Strings
#define IDS_SHARING_REMOVE_QUESTION 108   // "Are you sure you want to remove the selected item(s) ?"
#define IDS_SHARING_KIND_USER 600
#define IDS_SHARING_KIND_GROUP 601
#define IDS_RIGHT_LOOKUP 1000
#define IDS_RIGHT_READ 1001
#define IDS_RIGHT_WRITE 1002
#define IDS_RIGHT_INSERT 1003
#define IDS_RIGHT_CREATE 1004
#define IDS_RIGHT_DELETE 1005
#define IDS_RIGHT_ADMIN 1006
#define IDS_FOLDERS_COLUMN_FOLDER 1410
#define IDS_FOLDERS_COLUMN_PERMISSIONS 1411
#define IDS_PICKER_COLUMN_NAME 1501
#define IDS_PICKER_COLUMN_ADDRESS 1502

// The "Sharing and Security" page
#define IDD_SHARING_PAGE 4200
#define IDC_SHARING_NAMES 219
#define IDC_SHARING_ADD 220
#define IDC_SHARING_REMOVE 221
#define IDC_SHARING_SHOW_OWNER 201
#define IDC_SHARING_PERMISSIONS_FOR 246
#define IDC_SHARING_RIGHTS 222

// The Add User/Group dialog
#define IDD_SHARING_ADD 4103
#define IDC_SHARING_ADD_KIND 256
#define IDC_SHARING_ADD_NAME 231
#define IDC_SHARING_ADD_ADDRESS_BOOK 129

// The IMAP Folders window
#define IDD_IMAP_FOLDERS 4113
#define IDC_IMAP_FOLDERS_LIST 270
#define IDC_IMAP_FOLDERS_HINT 271

// The address-book picker
#define IDD_ADDRESS_BOOK 4114
#define IDC_ADDRESS_BOOK_LIST 262

// Pictures: the kinds of an ACL entry (owner, user, group) and the picker's strip (1 ascending,
// 2 descending, 3 contact)
#define IDB_ACL_KINDS 202
#define IDB_ADDRESS_BOOK 203
