#include "contave/run_dialogs.h"

#include <cstdio>
#include <memory>

#include "contave/LIB/message_text.h"
#include "contave/app_context.h"
#include "contave/dialog.h"
#include "contave/res/resource.h"

namespace contave {
namespace {

// A name as the windows show it: "-" for a missing contact.
std::string Shown(const std::string& name) { return name.empty() ? "-" : name; }

class ConfirmationDialog final : public Dialog {
 public:
  ConfirmationDialog(OperationKind kind, const std::string& name) : kind_(kind), name_(name) {}

 private:
  BOOL OnInit() override {
    SetStandardIcon(IDC_DIALOG_ICON, IDI_QUESTION);
    SetText(IDC_CONFIRM_OPERATION, OperationText(kind_));
    SetText(IDC_CONFIRM_NAME, Shown(name_));
    SetFocus(GetDlgItem(hwnd_, IDYES));
    return FALSE;
  }
  bool OnCommand(int id, int) override {
    switch (id) {
      case IDYES: EndDialog(hwnd_, kAnswerYes); return true;
      case IDNO: EndDialog(hwnd_, kAnswerNo); return true;
      case IDC_CONFIRM_YES_TO_ALL: EndDialog(hwnd_, kAnswerYesToAll); return true;
      case IDC_CONFIRM_NO_TO_ALL:
      case IDCANCEL: EndDialog(hwnd_, kAnswerNoToAll); return true;
      default: return false;
    }
  }
  OperationKind kind_;
  const std::string& name_;
};

struct SolutionButton {
  int id;
  Solution solution;
};
// In the order the first allowed one is preselected.
constexpr SolutionButton kSolutionButtons[] = {
    {IDC_COLLISION_USE_SERVER, kUseServerCopy},       {IDC_COLLISION_USE_LOCAL, kUseLocalCopy},
    {IDC_COLLISION_DELETE_SERVER, kDeleteServerCopy}, {IDC_COLLISION_DELETE_LOCAL, kDeleteLocalCopy},
    {IDC_COLLISION_DELETE_BOTH, kDeleteBothCopies},
};

class CollisionDialog final : public Dialog {
 public:
  CollisionDialog(ConflictKind kind, const std::string& server, const std::string& local, std::uint32_t allowed)
      : kind_(kind), server_(server), local_(local), allowed_(allowed) {}
  Solution chosen = kSolutionNone;

 private:
  BOOL OnInit() override {
    SetStandardIcon(IDC_DIALOG_ICON, IDI_WARNING);
    SetText(IDC_COLLISION_TYPE, ConflictText(kind_));
    SetText(IDC_COLLISION_SERVER, Shown(server_));
    SetText(IDC_COLLISION_LOCAL, Shown(local_));
    FitConflictText();
    bool selected = false;
    for (const SolutionButton& button : kSolutionButtons) {
      const bool allowed = (allowed_ & button.solution) != 0;
      EnableWindow(GetDlgItem(hwnd_, button.id), allowed);
      if (allowed && !selected) {
        CheckDlgButton(hwnd_, button.id, BST_CHECKED);
        SetFocus(GetDlgItem(hwnd_, button.id));
        selected = true;
      }
    }
    return FALSE;
  }

  // A conflict text longer than its line wraps; what is below moves down by the extra height
  // and the window grows with it.
  void FitConflictText() {
    HWND type = GetDlgItem(hwnd_, IDC_COLLISION_TYPE);
    RECT field;
    GetWindowRect(type, &field);
    MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&field), 2);
    HDC dc = GetDC(type);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(type, WM_GETFONT, 0, 0)));
    RECT needed = {0, 0, field.right - field.left, 0};
    const std::string text = ConflictText(kind_);
    DrawTextA(dc, text.c_str(), -1, &needed, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(dc, old);
    ReleaseDC(type, dc);
    const int extra = (needed.bottom - needed.top) - (field.bottom - field.top);
    if (extra <= 0) return;
    SetWindowPos(type, nullptr, 0, 0, field.right - field.left, needed.bottom - needed.top, SWP_NOMOVE | SWP_NOZORDER);
    for (HWND child = GetWindow(hwnd_, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
      RECT r;
      GetWindowRect(child, &r);
      MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&r), 2);
      if (r.top >= field.bottom) SetWindowPos(child, nullptr, r.left, r.top + extra, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    }
    RECT window;
    GetWindowRect(hwnd_, &window);
    SetWindowPos(hwnd_, nullptr, window.left, window.top - extra / 2, window.right - window.left,
                 window.bottom - window.top + extra, SWP_NOZORDER);
  }

  bool OnCommand(int id, int) override {
    if (id == IDCANCEL) return true;  // the engine takes only an answer its policy allows
    if (id != IDOK) return false;
    for (const SolutionButton& button : kSolutionButtons) {
      if ((allowed_ & button.solution) != 0 && IsDlgButtonChecked(hwnd_, button.id) == BST_CHECKED) {
        chosen = button.solution;
        EndDialog(hwnd_, IDOK);
        return true;
      }
    }
    return true;
  }

  ConflictKind kind_;
  const std::string& server_;
  const std::string& local_;
  std::uint32_t allowed_;
};

constexpr const char* kWarningTexts[] = {
    "This local folder was previously synchronized with other remote folder on server.",
    "Invalid status file.",
    "Invalid status file version.",
    "Status file corrupted.",
};

class WarningDialog final : public Dialog {
 public:
  explicit WarningDialog(StatusWarning warning) : warning_(warning) {}

 private:
  BOOL OnInit() override {
    SetStandardIcon(IDC_DIALOG_ICON, IDI_WARNING);
    const int kind = static_cast<int>(warning_);
    SetText(IDC_WARNING_TEXT, kWarningTexts[kind >= 0 && kind < 4 ? kind : 1]);
    SetFocus(GetDlgItem(hwnd_, IDNO));
    return FALSE;
  }
  bool OnCommand(int id, int) override {
    if (id == IDYES || id == IDNO) EndDialog(hwnd_, id);
    else if (id == IDCANCEL) EndDialog(hwnd_, IDNO);
    else return false;
    return true;
  }
  StatusWarning warning_;
};

std::string Number(std::uint32_t value) { return std::to_string(value); }

class StatisticsPane final : public Dialog {
 public:
  StatisticsPane(const char* title, const SyncStatistics& statistics) : title_(title), s_(statistics) {}

 private:
  BOOL OnInit() override {
    SetText(IDC_PANE_GROUP, title_);
    SetText(IDC_PANE_SERVER_CREATED, Number(s_.serverCreated));
    SetText(IDC_PANE_SERVER_DELETED, Number(s_.serverDeleted));
    SetText(IDC_PANE_SERVER_MODIFIED, Number(s_.serverModified));
    SetText(IDC_PANE_LOCAL_CREATED, Number(s_.localCreated));
    SetText(IDC_PANE_LOCAL_DELETED, Number(s_.localDeleted));
    SetText(IDC_PANE_LOCAL_MODIFIED, Number(s_.localModified));
    SetText(IDC_PANE_CANCELED, Number(s_.canceled));
    SetText(IDC_PANE_FAILED, Number(s_.failed));
    return FALSE;
  }
  const char* title_;
  const SyncStatistics& s_;
};

class ErrorPane final : public Dialog {
 public:
  ErrorPane(const char* title, const FolderResult& result) : title_(title), result_(result) {}

 private:
  BOOL OnInit() override {
    SetStandardIcon(IDC_DIALOG_ICON, IDI_ERROR);
    SetText(IDC_PANE_GROUP, title_);
    SetText(IDC_PANE_ERROR_MESSAGE, result_.message);
    char code[16];
    std::snprintf(code, sizeof code, "%08X", static_cast<unsigned>(StatusBits(result_.errorCode)));
    SetText(IDC_PANE_ERROR_CODE, code);
    SetText(IDC_PANE_ERROR_TEXT, result_.errorDescription);
    return FALSE;
  }
  const char* title_;
  const FolderResult& result_;
};

class ResultDialog final : public Dialog {
 public:
  ResultDialog(HINSTANCE instance, const FolderResult& privatePair, const FolderResult& publicPair)
      : instance_(instance), private_(privatePair), public_(publicPair) {}

 private:
  BOOL OnInit() override {
    int place = IDC_RESULT_UPPER;
    SIZE pane = {0, 0};
    if (private_.attempted) pane = AddPane(place++, "Private folder", private_);
    if (public_.attempted) pane = AddPane(place++, "Public folder", public_);
    if (place <= IDC_RESULT_LOWER) CloseLowerPlace();
    ShowWindow(GetDlgItem(hwnd_, IDC_RESULT_LOWER), SW_HIDE);
    Place(pane);
    SetFocus(GetDlgItem(hwnd_, IDOK));
    return FALSE;
  }

  SIZE AddPane(int place, const char* title, const FolderResult& result) {
    Dialog* pane = nullptr;
    if (result.succeeded) {
      statistics_[place - IDC_RESULT_UPPER] = std::make_unique<StatisticsPane>(title, result.statistics);
      pane = statistics_[place - IDC_RESULT_UPPER].get();
    } else {
      errors_[place - IDC_RESULT_UPPER] = std::make_unique<ErrorPane>(title, result);
      pane = errors_[place - IDC_RESULT_UPPER].get();
    }
    const int template_ = result.succeeded ? IDD_RESULT_STATISTICS : IDD_RESULT_ERROR;
    HWND child = pane->CreateChild(instance_, hwnd_, template_);
    RECT r = PlaceRect(place);
    // The place only marks where the pane goes; left visible it would paint over it.
    ShowWindow(GetDlgItem(hwnd_, place), SW_HIDE);
    SetWindowPos(child, HWND_TOP, r.left, r.top, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    SetWindowLongPtrA(child, GWLP_ID, place + 100);
    RECT size;
    GetWindowRect(child, &size);
    return {size.right - size.left, size.bottom - size.top};
  }

  RECT PlaceRect(int id) const {
    RECT r;
    GetWindowRect(GetDlgItem(hwnd_, id), &r);
    MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&r), 2);
    return r;
  }

  // With one pane the lower place stays empty: the OK button moves up into it.
  void CloseLowerPlace() {
    const RECT upper = PlaceRect(IDC_RESULT_UPPER);
    const RECT lower = PlaceRect(IDC_RESULT_LOWER);
    const int shift = lower.bottom - upper.bottom;
    HWND ok = GetDlgItem(hwnd_, IDOK);
    RECT r;
    GetWindowRect(ok, &r);
    MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&r), 2);
    SetWindowPos(ok, nullptr, r.left, r.top - shift, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    GetWindowRect(hwnd_, &r);
    SetWindowPos(hwnd_, nullptr, 0, 0, r.right - r.left, r.bottom - r.top - shift, SWP_NOMOVE | SWP_NOZORDER);
  }

  void Place(SIZE pane) {
    RECT window;
    GetWindowRect(hwnd_, &window);
    const int width = window.right - window.left, height = window.bottom - window.top;
    HWND owner = GetWindow(hwnd_, GW_OWNER);
    RECT around;
    if (owner == nullptr || !GetWindowRect(owner, &around)) SystemParametersInfoA(SPI_GETWORKAREA, 0, &around, 0);
    RECT centred;
    centred.left = around.left + ((around.right - around.left) - width) / 2;
    centred.top = around.top + ((around.bottom - around.top) - height) / 2;
    centred.right = centred.left + width;
    centred.bottom = centred.top + height;
    RECT work;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    const RECT placed = OffsetResultWindow(centred, pane, work);
    SetWindowPos(hwnd_, nullptr, placed.left, placed.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  }

  bool OnCommand(int id, int) override {
    if (id != IDOK && id != IDCANCEL) return false;
    EndDialog(hwnd_, IDOK);
    return true;
  }

  HINSTANCE instance_;
  const FolderResult& private_;
  const FolderResult& public_;
  std::unique_ptr<StatisticsPane> statistics_[2];
  std::unique_ptr<ErrorPane> errors_[2];
};

class AboutDialog final : public Dialog {
  BOOL OnInit() override {
    SetText(IDC_ABOUT_VERSION, "Version 1.0.12");
    return TRUE;
  }
  bool OnCommand(int id, int) override {
    if (id != IDOK && id != IDCANCEL) return false;
    EndDialog(hwnd_, IDOK);
    return true;
  }
};

class InternalErrorDialog final : public Dialog {
 public:
  InternalErrorDialog(const char* moduleName, int line, Status code) : module_(moduleName), line_(line), code_(code) {}

 private:
  BOOL OnInit() override {
    SetWindowTextA(hwnd_, InternalFailureTitle().c_str());
    SetStandardIcon(IDC_DIALOG_ICON, IDI_ERROR);
    SetText(IDC_INTERNAL_ERROR_TEXT, InternalFailureText(module_, line_, code_));
    SetForegroundWindow(hwnd_);
    return TRUE;
  }
  bool OnCommand(int id, int) override {
    if (id != IDABORT && id != IDCANCEL) return false;
    EndDialog(hwnd_, IDABORT);
    return true;
  }
  const char* module_;
  int line_;
  Status code_;
};

}  // namespace

int AskConfirmation(HINSTANCE instance, HWND owner, OperationKind kind, const std::string& name) {
  ConfirmationDialog dialog(kind, name);
  const INT_PTR answer = dialog.Run(instance, owner, IDD_CONFIRMATION);
  // A window that could not be shown must not let a change through unasked.
  return answer >= kAnswerYes && answer <= kAnswerNoToAll ? static_cast<int>(answer) : kAnswerNo;
}

Solution AskCollision(HINSTANCE instance, HWND owner, ConflictKind kind, const std::string& serverName,
                      const std::string& localName, std::uint32_t allowed) {
  CollisionDialog dialog(kind, serverName, localName, allowed);
  dialog.Run(instance, owner, IDD_COLLISION);
  return dialog.chosen;
}

bool AskStatusReset(HINSTANCE instance, HWND owner, StatusWarning warning) {
  WarningDialog dialog(warning);
  return dialog.Run(instance, owner, IDD_WARNING) == IDYES;
}

bool AskMassDeletion(HWND owner, const std::string& text) {
  return MessageBoxA(owner, text.c_str(), "Warning", MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES;
}

void ShowResult(HINSTANCE instance, HWND owner, const FolderResult& privatePair, const FolderResult& publicPair) {
  ResultDialog dialog(instance, privatePair, publicPair);
  dialog.Run(instance, owner, IDD_RESULT);
}

void ShowAbout(HINSTANCE instance, HWND owner) {
  AboutDialog dialog;
  dialog.Run(instance, owner, IDD_ABOUT);
}

void ShowInternalFailure(HINSTANCE instance, HWND owner, const char* moduleName, int line, Status code) {
  InternalErrorDialog dialog(moduleName, line, code);
  dialog.Run(instance, owner, IDD_INTERNAL_ERROR);
}

RECT OffsetResultWindow(RECT centred, SIZE pane, RECT workArea) {
  const int dx = pane.cx / 8, dy = pane.cy / 6;
  RECT placed = centred;
  const int x = centred.right + dx <= workArea.right ? dx : -dx;
  const int y = centred.bottom + dy <= workArea.bottom ? dy : -dy;
  OffsetRect(&placed, x, y);
  return placed;
}

}  // namespace contave
