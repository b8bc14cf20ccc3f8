// Velcore's message boxes: the caption is always string 1, the text a string of the table
// filled with the given values.
#pragma once

#include <windows.h>

namespace velor {

int ShowMessage(HWND owner, UINT style, unsigned textId, ...);

}  // namespace velor
