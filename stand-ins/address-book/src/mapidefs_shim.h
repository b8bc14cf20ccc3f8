// The platform's MAPI definitions as the stand-in's own sources include them: through the same
// <wab.h> that its clients use, so the stand-in and the clients agree on every value.
#pragma once

#include <windows.h>
#include <wab.h>
