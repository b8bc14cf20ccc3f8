// Resource identifiers of msoe.dll (the numbers that clients look for are in common/oe_ids.h).
#pragma once

#define IDR_BROWSER_MENU 100
#define IDR_FOLDER_CONTEXT 101
#define IDD_ACCOUNTS 200
#define IDD_ACCOUNT_GENERAL 201
#define IDD_ACCOUNT_SERVERS 202
#define IDD_ACCOUNT_ADVANCED 203
#define IDD_FOLDER_GENERAL 204
#define IDD_IMAP_FOLDERS 205
#define IDI_MAIN 300
