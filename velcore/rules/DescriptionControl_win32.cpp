#include "velcore/rules/DescriptionControl_win32.h"

#include <richedit.h>

#include <cstring>

#include "velcore/rules/ValueDialogs_win32.h"

namespace velor::rules {
namespace {

constexpr const char* kSelfProperty = "VelorRuleDescription";

struct StreamSource {
    const std::string* text;
    std::size_t at;
};

DWORD CALLBACK ReadRtf(DWORD_PTR cookie, LPBYTE buffer, LONG wanted, LONG* given) {
    auto* source = reinterpret_cast<StreamSource*>(cookie);
    std::size_t left = source->text->size() - source->at;
    std::size_t n = left < static_cast<std::size_t>(wanted) ? left : static_cast<std::size_t>(wanted);
    std::memcpy(buffer, source->text->data() + source->at, n);
    source->at += n;
    *given = static_cast<LONG>(n);
    return 0;
}

}  // namespace

DescriptionControl::~DescriptionControl() {
    if (control_ != nullptr && IsWindow(control_)) {
        SetWindowLongPtrA(control_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous_));
        RemovePropA(control_, kSelfProperty);
    }
}

bool DescriptionControl::Create(HWND dialog, int placeholderId) {
    dialog_ = dialog;
    id_ = placeholderId;
    HWND placeholder = GetDlgItem(dialog, placeholderId);
    if (placeholder == nullptr) return false;
    RECT area;
    GetWindowRect(placeholder, &area);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&area), 2);
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0));
    control_ = CreateWindowExA(WS_EX_CLIENTEDGE, RICHEDIT_CLASSA, "",
                               WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | ES_MULTILINE | ES_READONLY,
                               area.left, area.top, area.right - area.left, area.bottom - area.top, dialog,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(placeholderId)),
                               reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(dialog, GWLP_HINSTANCE)), nullptr);
    if (control_ == nullptr) return false;
    // The placeholder keeps its place in the tab order; the control takes it over.
    SetWindowPos(control_, placeholder, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    DestroyWindow(placeholder);
    SendMessageA(control_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    SendMessageA(control_, EM_SETBKGNDCOLOR, 0, GetSysColor(COLOR_WINDOW));
    SetPropA(control_, kSelfProperty, this);
    previous_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(control_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&DescriptionControl::Subclass)));
    return true;
}

void DescriptionControl::Stream(const std::string& rtf) {
    SendMessageA(control_, WM_SETREDRAW, FALSE, 0);
    StreamSource source{&rtf, 0};
    EDITSTREAM stream{};
    stream.dwCookie = reinterpret_cast<DWORD_PTR>(&source);
    stream.pfnCallback = &ReadRtf;
    SendMessageA(control_, EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&stream));
    SendMessageA(control_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(control_, nullptr, TRUE);
}

bool DescriptionControl::Show(SieveCommand* rule, bool several) {
    rule_ = rule;
    several_ = several;
    links_.clear();
    targets_.clear();
    valid_ = true;
    if (control_ == nullptr) return true;
    if (rule == nullptr || several || !rule->editable) {
        const std::string& text = several ? context_.texts.multiple
                                  : rule != nullptr ? context_.texts.notVisual
                                                    : context_.texts.none;
        Stream(CentredNoticeRtf(text, GetACP()));
        return true;
    }
    DescriptionBuilder builder(*context_.catalogue, context_.texts,
                               [this](const char* stored) { return context_.FolderForDisplay(stored); },
                               kDescribeRich | (editor_ ? kDescribeEditor : 0u));
    std::string markup = builder.Rule(rule);
    valid_ = builder.Valid();
    targets_ = builder.Targets();
    RichDescription rich = MarkupToRich(markup, GetACP());
    links_ = rich.links;
    Stream(rich.rtf);
    // The links' look: underlined, blue, or red for a value still to be given.
    for (const DescriptionLink& link : links_) {
        CHARFORMAT2A format{};
        format.cbSize = sizeof format;
        format.dwMask = CFM_COLOR | CFM_UNDERLINE;
        format.dwEffects = CFE_UNDERLINE;
        format.crTextColor = link.missing ? RGB(255, 0, 0) : RGB(0, 0, 255);
        SendMessageA(control_, EM_SETSEL, link.first, link.last + 1);
        SendMessageA(control_, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    }
    SendMessageA(control_, EM_SETSEL, 0, 0);
    return valid_;
}

bool DescriptionControl::Activate(const DescriptionLink& link) {
    if (rule_ == nullptr) return false;
    LinkTarget target;
    if (link.key == LinkKey::AndOr) {
        target.test = rule_->test;
        target.command = rule_;
    } else if (link.number >= 0 && static_cast<std::size_t>(link.number) < targets_.size()) {
        target = targets_[static_cast<std::size_t>(link.number)];
    } else {
        return false;
    }
    if (!EditLinkedValue(dialog_, context_, link.key, target)) return false;
    Show(rule_, several_);
    SendMessageA(dialog_, WM_COMMAND, MAKEWPARAM(id_, kDescriptionChanged), reinterpret_cast<LPARAM>(control_));
    return true;
}

LRESULT CALLBACK DescriptionControl::Subclass(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = static_cast<DescriptionControl*>(GetPropA(window, kSelfProperty));
    if (self == nullptr) return DefWindowProcA(window, message, wParam, lParam);
    switch (message) {
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_SETCURSOR:
        return self->Mouse(message, wParam, lParam);
    case WM_NCDESTROY: {
        WNDPROC previous = self->previous_;
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
        RemovePropA(window, kSelfProperty);
        self->control_ = nullptr;
        return CallWindowProcA(previous, window, message, wParam, lParam);
    }
    default:
        return CallWindowProcA(self->previous_, window, message, wParam, lParam);
    }
}

LRESULT DescriptionControl::Mouse(UINT message, WPARAM wParam, LPARAM lParam) {
    POINT point;
    if (message == WM_SETCURSOR) {
        GetCursorPos(&point);
        ScreenToClient(control_, &point);
    } else {
        point.x = static_cast<short>(LOWORD(lParam));
        point.y = static_cast<short>(HIWORD(lParam));
    }
    POINTL where{point.x, point.y};
    long character = static_cast<long>(SendMessageA(control_, EM_CHARFROMPOS, 0, reinterpret_cast<LPARAM>(&where)));
    auto position = [this](long at) {
        POINTL place{};
        SendMessageA(control_, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&place), at);
        return place;
    };
    POINTL at = position(character);
    // Some controls answer with the nearest caret place: a point on a character's right half
    // names the next character. The character under the point is then the one before.
    if (character > 0 && point.x < at.x && point.y >= at.y) {
        POINTL before = position(character - 1);
        if (before.y == at.y && before.x <= point.x) {
            --character;
            at = before;
        }
    }
    const DescriptionLink* hit = LinkAt(links_, character);
    if (hit != nullptr) {
        // Past the end of a line the nearest character is the line's last one, so the point
        // must lie on the character itself.
        POINTL after = position(character + 1);
        const bool sameLine = after.y == at.y && after.x > at.x;
        if (point.x < at.x || (sameLine && point.x > after.x) || point.y < at.y) hit = nullptr;
    }
    switch (message) {
    case WM_SETCURSOR:
        if (LOWORD(lParam) == HTCLIENT) {
            SetCursor(LoadCursor(nullptr, hit != nullptr ? IDC_HAND : IDC_ARROW));
            return TRUE;
        }
        return CallWindowProcA(previous_, control_, message, wParam, lParam);
    case WM_LBUTTONDOWN:
        if (hit != nullptr) {
            SetFocus(control_);
            SendMessageA(control_, EM_SETSEL, hit->first, hit->last + 1);
            pressed_ = true;
            return 0;
        }
        pressed_ = false;
        return CallWindowProcA(previous_, control_, message, wParam, lParam);
    case WM_LBUTTONUP:
        if (hit != nullptr && pressed_) {
            pressed_ = false;
            DescriptionLink link = *hit;
            Activate(link);
            return 0;
        }
        pressed_ = false;
        return CallWindowProcA(previous_, control_, message, wParam, lParam);
    default:
        return CallWindowProcA(previous_, control_, message, wParam, lParam);
    }
}

}  // namespace velor::rules
