// The COM class that the shell asks before it starts a program: when the program is Outlook
// Express, it installs the window hook and starts Outlook Express itself.
#pragma once

#include <windows.h>
#include <shlobj.h>

namespace velor::velhook {

// {8D3E5C21-47A9-4B6E-9F10-2C7A41B5E903}
inline constexpr CLSID kShellExecuteHookClsid = {0x8d3e5c21, 0x47a9, 0x4b6e, {0x9f, 0x10, 0x2c, 0x7a, 0x41, 0xb5, 0xe9, 0x03}};
inline constexpr char kShellExecuteHookClsidText[] = "{8D3E5C21-47A9-4B6E-9F10-2C7A41B5E903}";

// Where the extension's own settings live, under HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE.
inline constexpr char kSettingsKey[] = "Software\\Velor\\MailClientExtensions\\Velhook";
inline constexpr char kEnabledValue[] = "Enabled";
inline constexpr char kLanguageValue[] = "Language";
// The unlisted Outlook Express version the user chose to go on with without being asked again
// ("major.minor.build.revision"), under HKEY_CURRENT_USER.
inline constexpr char kAcceptedVersionValue[] = "AcceptedVersion";

class CVelhookShellExecuteHook final : public IShellExecuteHookA {
public:
    CVelhookShellExecuteHook();

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP Execute(LPSHELLEXECUTEINFOA info) override;

private:
    ~CVelhookShellExecuteHook();
    LONG references_ = 1;
};

// The class factory of CVelhookShellExecuteHook: one static object.
IClassFactory* ShellExecuteHookFactory();

}  // namespace velor::velhook
