// The windows a run shows: Confirmation, Collision, Warning, Result, About and the
// internal-error window. Each takes its data in and gives the answer back.
#pragma once

#include <windows.h>

#include <string>

#include "contave/LIB/local_folder.h"
#include "contave/LIB/sync_passes.h"
#include "contave/LIB/sync_types.h"

namespace contave {

// 1 yes, 2 no, 3 yes to all, 4 no to all (Escape and Close).
enum ConfirmationAnswer : int { kAnswerYes = 1, kAnswerNo = 2, kAnswerYesToAll = 3, kAnswerNoToAll = 4 };
int AskConfirmation(HINSTANCE instance, HWND owner, OperationKind kind, const std::string& name);

// One of the allowed solutions: Escape and Close do not end the window.
Solution AskCollision(HINSTANCE instance, HWND owner, ConflictKind kind, const std::string& serverName,
                      const std::string& localName, std::uint32_t allowed);

// Yes (true) resets the status; No is the default.
bool AskStatusReset(HINSTANCE instance, HWND owner, StatusWarning warning);

// The mass-deletion question, asked whatever the confirmation setting; No is the default.
bool AskMassDeletion(HWND owner, const std::string& text);

void ShowResult(HINSTANCE instance, HWND owner, const FolderResult& privatePair, const FolderResult& publicPair);
void ShowAbout(HINSTANCE instance, HWND owner);
void ShowInternalFailure(HINSTANCE instance, HWND owner, const char* moduleName, int line, Status code);

// Where the Result window goes: its centred rectangle moved right and down by an eighth of a
// pane's width and a sixth of its height, or left and up where it would leave the work area.
RECT OffsetResultWindow(RECT centred, SIZE pane, RECT workArea);

}  // namespace contave
