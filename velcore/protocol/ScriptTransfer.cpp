#include "velcore/protocol/ScriptTransfer.h"

#include "velcore/protocol/ImapText.h"
#include "velcore/protocol/ReplyTokens.h"
#include "velcore/protocol/ScriptReply.h"
#include "velcore/protocol/Session.h"
#include "velcore/protocol/Status.h"
#include "velcore/protocol/TextConversion.h"

namespace velor {
namespace {

std::int32_t sendFailure(Transport& transport) {
    std::int32_t error = transport.LastSocketError();
    return error > 0 ? status::FromWin32(error) : status::kUnexpected;
}

}  // namespace

std::string PutScriptLine(std::string_view utf8Script) {
    std::string line;
    line.reserve(utf8Script.size() + 48);
    line.append(imap::kTag).append(" X-PUTSCRIPT {").append(std::to_string(utf8Script.size())).append("+}\r\n");
    line.append(utf8Script).append("\r\n");
    return line;
}

std::string ScriptForServer(std::string_view ansiScript) {
    std::string utf8 = AnsiToUtf8(ansiScript);
    if (utf8.empty()) utf8 = " ";
    return utf8;
}

std::int32_t FetchScript(Transport& transport, AccountSettings& account, SessionPrompts& prompts,
                         ScriptNotices& notices, std::string& ansiScript, std::string* utf8Script) {
    ansiScript.clear();
    if (utf8Script) utf8Script->clear();
    imap::ScriptReply reply;
    bool loggedOn = false;
    std::int32_t result = SingleExchangeSession(
        transport, account, prompts,
        [&]() -> std::int32_t {
            if (!transport.Send(imap::CommandLine(kGetScriptCommand))) return sendFailure(transport);
            return imap::ReadScriptReply(transport, reply);
        },
        &loggedOn);
    // A session that ended before the command has no script to show: the greeting or a
    // cancelled logon reads as a failure to receive, with E_FAIL.
    if (!loggedOn && result >= 0) result = status::kFail;
    if (result > 0 && !reply.scriptData) result = status::kFail;
    if (result < 0) {
        notices.ReceiveFailed(result);
        return result;
    }
    if (result > 0) return result;
    std::string_view script = reply.script;
    // A server that sent plain lines lost their indentation already; only a literal keeps it.
    if (!reply.literal || imap::Trimmed(script).empty()) script = imap::Trimmed(script);
    ansiScript = Utf8ToAnsi(script);
    if (utf8Script) utf8Script->assign(script);
    return status::kOk;
}

std::int32_t StoreScript(Transport& transport, AccountSettings& account, SessionPrompts& prompts,
                         ScriptNotices& notices, std::string_view ansiScript) {
    if (ansiScript.find('\0') != std::string_view::npos) {
        notices.NotUpdated();
        return status::kInvalidArg;
    }
    return StoreUtf8Script(transport, account, prompts, notices, ScriptForServer(ansiScript));
}

std::int32_t StoreUtf8Script(Transport& transport, AccountSettings& account, SessionPrompts& prompts,
                             ScriptNotices& notices, std::string_view utf8Script) {
    std::int32_t result = status::kInvalidArg;
    if (utf8Script.find('\0') == std::string_view::npos) {
        const std::string line = PutScriptLine(utf8Script.empty() ? std::string_view(" ") : utf8Script);
        result = SingleExchangeSession(
            transport, account, prompts,
            [&]() -> std::int32_t {
                if (!transport.Send(line)) return sendFailure(transport);
                return imap::ReadReply(transport, true, nullptr);
            },
            nullptr);
    }
    if (result != status::kOk) notices.NotUpdated();
    return result;
}

}  // namespace velor
