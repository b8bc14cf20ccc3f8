// Reading the address book file and replacing it whole: the new text goes to a file beside it,
// reaches the disk, and only then takes the old one's place in one MoveFileEx, so a crash leaves
// either the old file or the new one, never a mixture.
#pragma once

#include <windows.h>

#include <string>

namespace wabstand {

// S_FALSE when the file does not exist; the system error as an HRESULT on any other failure.
HRESULT ReadWholeFile(const std::string& path, std::string* text, size_t limit = 0);
HRESULT ReplaceFile(const std::string& path, const std::string& text);
// Adds text at the end of an existing file and waits until it is on the disk.
HRESULT AppendFile(const std::string& path, const std::string& text);
// S_FALSE when the file does not exist.
HRESULT FileSizeOf(const std::string& path, ULONGLONG* size);
HRESULT CreateParentFolders(const std::string& path);

}  // namespace wabstand
