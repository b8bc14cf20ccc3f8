#include "velcore/protocol/CertificateDialog_win32.h"

#include "velcore/protocol/DialogBase_win32.h"
#include "velcore/res/resource.h"

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace velor {
namespace {

// The fingerprint in two lines of sixteen pairs, so that no pair is cut where the field wraps.
std::string twoLines(const std::string& fingerprint) {
    constexpr std::size_t kFirstLine = 16 * 3;
    if (fingerprint.size() <= kFirstLine) return fingerprint;
    return fingerprint.substr(0, kFirstLine) + "\r\n" + fingerprint.substr(kFirstLine);
}

class CertificateDialog : public DialogBase {
public:
    explicit CertificateDialog(const CertificateQuestion& question) : question_(question) {}

    CertificateAnswer answer() const { return answer_; }

private:
    BOOL OnInit() override {
        // The template's caption holds "%s" for the host, as the logon dialog's does.
        int length = GetWindowTextLengthA(window());
        std::vector<char> format(static_cast<std::size_t>(length) + 1, '\0');
        GetWindowTextA(window(), format.data(), length + 1);
        std::vector<char> title(format.size() + question_.host.size() + 1);
        std::snprintf(title.data(), title.size(), format.data(), question_.host.c_str());
        SetWindowTextA(window(), title.data());
        SendDlgItemMessageA(window(), IDC_CERTIFICATE_ICON, STM_SETICON,
                            reinterpret_cast<WPARAM>(LoadIconA(nullptr, MAKEINTRESOURCEA(32515) /* IDI_WARNING */)), 0);
        SetDlgItemTextA(window(), IDC_CERTIFICATE_INTRO, question_.intro.c_str());
        SetDlgItemTextA(window(), IDC_CERTIFICATE_SERVER, question_.server.c_str());
        SetDlgItemTextA(window(), IDC_CERTIFICATE_PROBLEMS, question_.problems.c_str());
        SetDlgItemTextA(window(), IDC_CERTIFICATE_FINGERPRINT, twoLines(question_.fingerprint).c_str());
        // Going on is the user's deliberate choice: the focus starts on Cancel.
        SetFocus(item(IDCANCEL));
        return FALSE;
    }

    void OnOK() override {
        answer_ = IsDlgButtonChecked(window(), IDC_CERTIFICATE_ALWAYS) == BST_CHECKED ? CertificateAnswer::kAlwaysTrust
                                                                                      : CertificateAnswer::kContinue;
        end(IDOK);
    }

    const CertificateQuestion& question_;
    CertificateAnswer answer_ = CertificateAnswer::kCancel;
};

}  // namespace

CertificateAnswer WindowsCertificatePrompt::Ask(const CertificateQuestion& question) {
    CertificateDialog dialog(question);
    if (dialog.RunModal(GetActiveWindow(), IDD_CERTIFICATE) != IDOK) return CertificateAnswer::kCancel;
    return dialog.answer();
}

}  // namespace velor
