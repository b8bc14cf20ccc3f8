// The protected password store stand-in: the system component through which the passwords of
// Outlook Express's accounts are reached. An account's "... Password2" value is only a reference
// (bytes 1, 2 and the item's 16-byte identifier); the password itself lies, scrambled, under the
// store's own key, and only this library turns one into the other.
#pragma once

#include <windows.h>

// The library's file name, and the names of its entry points.
#define PSTORE_LIBRARY "pstorestand.dll"
#define PSTORE_READ "PStoreReadPassword"
#define PSTORE_WRITE "PStoreWritePassword"
#define PSTORE_DELETE "PStoreDeletePassword"

// Reads the password that the account key's value refers to into buffer (size bytes with the
// terminating zero; on return the bytes needed or written). S_OK; HRESULT_FROM_WIN32 of
// ERROR_FILE_NOT_FOUND (no such value or item), ERROR_INVALID_DATA (not a reference: not REG_BINARY,
// shorter than 18 bytes or not starting with 1, 2), ERROR_MORE_DATA (buffer too small).
typedef HRESULT(WINAPI* PStoreReadPasswordFn)(HKEY account, LPCSTR value, LPSTR buffer, DWORD* size);
// Stores the password as a new item and writes the reference into the account key's value.
typedef HRESULT(WINAPI* PStoreWritePasswordFn)(HKEY account, LPCSTR value, LPCSTR password);
// Removes the item the value refers to, and the value. S_FALSE when there was nothing.
typedef HRESULT(WINAPI* PStoreDeletePasswordFn)(HKEY account, LPCSTR value);
