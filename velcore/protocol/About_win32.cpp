// VlAbout: the About property sheet with its one "General" page, which names the library and its
// file version.
#include "velcore/protocol/ExportGuard.h"
#include "velcore/protocol/ResourceModule_win32.h"
#include "velcore/protocol/Runtime.h"
#include "velcore/res/resource.h"

#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

// "%d.%d.%d.%d" from the version resource's file version; empty when it cannot be read.
std::string ownFileVersion() {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(static_cast<HMODULE>(velor::TheRuntime().module), path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return {};
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeA(path, &handle);
    if (size == 0) return {};
    std::vector<char> data(size);
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (!GetFileVersionInfoA(path, 0, size, data.data()) ||
        !VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&info), &length) || !info)
        return {};
    char text[64];
    std::snprintf(text, sizeof text, "%d.%d.%d.%d", HIWORD(info->dwFileVersionMS), LOWORD(info->dwFileVersionMS),
                  HIWORD(info->dwFileVersionLS), LOWORD(info->dwFileVersionLS));
    return text;
}

void fillVersion(HWND page) {
    // The control's own text is the format of the line it shows.
    HWND label = GetDlgItem(page, IDC_ABOUT_VERSION);
    char format[512];
    GetWindowTextA(label, format, sizeof format);
    std::string version = ownFileVersion();
    std::vector<char> text(sizeof format + version.size());
    std::snprintf(text.data(), text.size(), format, version.c_str());
    SetWindowTextA(label, text.data());
}

INT_PTR CALLBACK generalPage(HWND page, UINT message, WPARAM /*wParam*/, LPARAM /*lParam*/) {
    if (message != WM_INITDIALOG) return FALSE;
    // No exception unwinds through the property sheet: without its version the page still shows.
    velor::Guarded([&] {
        fillVersion(page);
        return 0;
    });
    return TRUE;
}

HRESULT showAbout(HWND owner) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    std::string title = velor::LoadResourceString(IDS_ABOUT_TITLE);
    PROPSHEETPAGEA page{};
    page.dwSize = sizeof page;
    page.hInstance = velor::ResourceModuleFor(RT_DIALOG, IDD_ABOUT_GENERAL);
    page.pszTemplate = MAKEINTRESOURCEA(IDD_ABOUT_GENERAL);
    page.pfnDlgProc = generalPage;
    PROPSHEETHEADERA sheet{};
    sheet.dwSize = sizeof sheet;
    sheet.dwFlags = PSH_PROPSHEETPAGE | PSH_NOAPPLYNOW;
    sheet.hwndParent = owner;
    sheet.hInstance = velor::ResourceModule();
    sheet.pszCaption = title.c_str();
    sheet.nPages = 1;
    sheet.ppsp = &page;
    return PropertySheetA(&sheet) < 0 ? E_FAIL : S_OK;
}

}  // namespace

extern "C" HRESULT WINAPI VlAbout(DWORD /*ignored*/, HWND owner) {
    return velor::Guarded([&]() -> HRESULT { return showAbout(owner); });
}
