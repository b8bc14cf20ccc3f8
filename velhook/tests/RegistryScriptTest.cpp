// The registration script reader and the registrar's two directions, against a registry kept in
// memory: the module's own script as it is built into the resource, the flags, value types,
// replacements, and the errors a broken script gives.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "velhook/RegistryScript.h"

namespace velor::velhook {
namespace {

// A registry in memory: keys as paths, values as "path|name" with a printable form.
class MemoryRegistry : public RegistrySink {
public:
    long CreateKey(const std::string& path) override {
        if (failCreate == path) return 5;  // ERROR_ACCESS_DENIED
        for (std::size_t at = path.find('\\'); at != std::string::npos; at = path.find('\\', at + 1))
            keys.insert(path.substr(0, at));
        keys.insert(path);
        return 0;
    }
    long SetValue(const std::string& path, const std::string& name, const ScriptValue& v) override {
        if (!keys.count(path)) return 2;
        std::string shown;
        if (v.type == ScriptValueType::kString) shown = "s:" + v.text;
        else if (v.type == ScriptValueType::kNumber) shown = "d:" + std::to_string(v.number);
        else {
            shown = "b:";
            for (auto b : v.bytes) shown += std::to_string(b) + ",";
        }
        values[path + "|" + name] = shown;
        return 0;
    }
    long DeleteValue(const std::string& path, const std::string& name) override {
        values.erase(path + "|" + name);
        return 0;
    }
    long DeleteTree(const std::string& path) override {
        for (auto it = keys.begin(); it != keys.end();)
            it = (*it == path || it->rfind(path + "\\", 0) == 0) ? keys.erase(it) : std::next(it);
        for (auto it = values.begin(); it != values.end();)
            it = (it->first.rfind(path + "|", 0) == 0 || it->first.rfind(path + "\\", 0) == 0) ? values.erase(it)
                                                                                             : std::next(it);
        return 0;
    }
    bool KeyExists(const std::string& path) override { return keys.count(path) > 0; }

    std::set<std::string> keys;
    std::map<std::string, std::string> values;
    std::string failCreate;
};

std::string ModuleScript() {
    std::ifstream in(VELHOOK_SCRIPT_FILE, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

constexpr char kClsid[] = "{8D3E5C21-47A9-4B6E-9F10-2C7A41B5E903}";
constexpr char kHooks[] = "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ShellExecuteHooks";

TEST(RegistryScript, ModuleScriptRegistersTheClassProgIdsAndTheHookEntry) {
    RegistryScript script;
    std::string error;
    ASSERT_TRUE(ParseRegistryScript(ModuleScript(), {{"MODULE", "C:\\Velor\\Velhook.dll"}}, &script, &error)) << error;
    MemoryRegistry r;
    ASSERT_EQ(RunRegistryScript(script, true, r), 0);
    const std::string clsid = std::string("HKCR\\CLSID\\") + kClsid;
    std::map<std::string, std::string> expected = {
        {"HKCR\\VelorMail.VelhookShellExecuteHook.1|", "s:VelhookShellExecuteHook"},
        {"HKCR\\VelorMail.VelhookShellExecuteHook.1\\CLSID|", std::string("s:") + kClsid},
        {"HKCR\\VelorMail.VelhookShellExecuteHook|", "s:VelhookShellExecuteHook"},
        {"HKCR\\VelorMail.VelhookShellExecuteHook\\CLSID|", std::string("s:") + kClsid},
        {"HKCR\\VelorMail.VelhookShellExecuteHook\\CurVer|", "s:VelorMail.VelhookShellExecuteHook.1"},
        {clsid + "|", "s:VelhookShellExecuteHook"},
        {clsid + "\\ProgID|", "s:VelorMail.VelhookShellExecuteHook.1"},
        {clsid + "\\VersionIndependentProgID|", "s:VelorMail.VelhookShellExecuteHook"},
        {clsid + "\\InprocServer32|", "s:C:\\Velor\\Velhook.dll"},
        {clsid + "\\InprocServer32|ThreadingModel", "s:Apartment"},
        {std::string(kHooks) + "|" + kClsid, "s:VelhookShellExecuteHook"},
    };
    EXPECT_EQ(r.values, expected);
    EXPECT_TRUE(r.KeyExists(clsid + "\\Programmable"));

    // Unregistration removes the class and the ProgIDs, keeps CLSID and the hooks key path.
    ASSERT_EQ(RunRegistryScript(script, false, r), 0);
    EXPECT_TRUE(r.values.empty());
    EXPECT_FALSE(r.KeyExists(clsid));
    EXPECT_FALSE(r.KeyExists("HKCR\\VelorMail.VelhookShellExecuteHook"));
    EXPECT_FALSE(r.KeyExists("HKCR\\VelorMail.VelhookShellExecuteHook.1"));
    EXPECT_TRUE(r.KeyExists("HKCR\\CLSID"));
    EXPECT_TRUE(r.KeyExists(kHooks));
}

TEST(RegistryScript, ForceRemoveClearsWhatAnEarlierRegistrationLeft) {
    RegistryScript script;
    ASSERT_TRUE(ParseRegistryScript(ModuleScript(), {{"MODULE", "C:\\New\\Velhook.dll"}}, &script, nullptr));
    MemoryRegistry r;
    std::string clsid = std::string("HKCR\\CLSID\\") + kClsid;
    r.CreateKey(clsid + "\\Stale");
    r.SetValue(clsid + "\\Stale", "x", ScriptValue{});
    // Other classes beside ours stay.
    r.CreateKey("HKCR\\CLSID\\{00000000-0000-0000-0000-000000000001}");
    ASSERT_EQ(RunRegistryScript(script, true, r), 0);
    EXPECT_FALSE(r.KeyExists(clsid + "\\Stale"));
    EXPECT_EQ(r.values.count(clsid + "\\Stale|x"), 0u);
    EXPECT_EQ(r.values[clsid + "\\InprocServer32|"], "s:C:\\New\\Velhook.dll");
    ASSERT_EQ(RunRegistryScript(script, false, r), 0);
    EXPECT_TRUE(r.KeyExists("HKCR\\CLSID\\{00000000-0000-0000-0000-000000000001}"));
}

TEST(RegistryScript, ValueTypesQuotesReplacementsAndFlags) {
    const char* text =
        "HKEY_CURRENT_USER {\n"
        "  NoRemove Software {\n"
        "    'Odd Name' = s 'it''s 100%% %WHO%' {\n"
        "      val Count = d '0x1F'\n"
        "      val Plain = d 42\n"
        "      val Bytes = b '0102FF'\n"
        "      Delete Old\n"
        "      Delete\n"
        "    }\n"
        "  }\n"
        "}\n";
    RegistryScript script;
    std::string error;
    ASSERT_TRUE(ParseRegistryScript(text, {{"WHO", "anna"}}, &script, &error)) << error;
    MemoryRegistry r;
    r.CreateKey("HKCU\\Software\\Odd Name\\Old\\Deep");
    ASSERT_EQ(RunRegistryScript(script, true, r), 0);
    EXPECT_EQ(r.values["HKCU\\Software\\Odd Name|"], "s:it's 100% anna");
    EXPECT_EQ(r.values["HKCU\\Software\\Odd Name|Count"], "d:31");
    EXPECT_EQ(r.values["HKCU\\Software\\Odd Name|Plain"], "d:42");
    EXPECT_EQ(r.values["HKCU\\Software\\Odd Name|Bytes"], "b:1,2,255,");
    EXPECT_FALSE(r.KeyExists("HKCU\\Software\\Odd Name\\Old")) << "Delete removes the key on registration";
    // "Delete" with nothing after it is a key of that name.
    EXPECT_TRUE(r.KeyExists("HKCU\\Software\\Odd Name\\Delete"));
    ASSERT_EQ(RunRegistryScript(script, false, r), 0);
    EXPECT_TRUE(r.KeyExists("HKCU\\Software"));
    EXPECT_FALSE(r.KeyExists("HKCU\\Software\\Odd Name"));
}

TEST(RegistryScript, RegistrationStopsAtTheFirstFailureAndReportsIt) {
    RegistryScript script;
    ASSERT_TRUE(ParseRegistryScript("HKLM { A { B } C }", {}, &script, nullptr));
    MemoryRegistry r;
    r.failCreate = "HKLM\\A\\B";
    EXPECT_EQ(static_cast<std::uint32_t>(RunRegistryScript(script, true, r)), 0x80070005u);
    EXPECT_FALSE(r.KeyExists("HKLM\\C"));
    // Unregistering what is not there is no failure.
    MemoryRegistry empty;
    EXPECT_EQ(RunRegistryScript(script, false, empty), 0);
}

TEST(RegistryScript, BrokenScriptsAreRefusedWithTheirLine) {
    struct Case {
        const char* text;
        const char* error;
    } cases[] = {
        {"HKXX { }", "line 1: unknown root key 'HKXX'"},
        {"HKLM\n{\n  A = s 'open", "line 3: a quoted text is not closed"},
        {"HKLM { A = q 'x' }", "line 1: unknown value type 'q'"},
        {"HKLM { A = d 'ten' }", "line 1: 'ten' is not a number"},
        {"HKLM { A = d '4294967296' }", "line 1: '4294967296' is not a number"},
        {"HKLM { A = b '123' }", "line 1: binary data needs two hex digits a byte"},
        {"HKLM { val V = s 'x' { B } }", "line 1: a value cannot hold keys"},
        {"HKLM { NoRemove val V = s 'x' }", "line 1: a value takes no key flags"},
        {"HKLM { A = s '%NOPE%' }", "line 1: unknown replacement %NOPE%"},
        {"HKLM { A = s '50%' }", "line 1: '%' without its closing '%'"},
        {"HKLM {\n A {\n B\n", "line 4: '}' is missing"},
        {"HKLM { = s 'x' }", "line 1: a key or value name is expected"},
        {"HKLM { '' }", "line 1: an empty name"},
    };
    for (const Case& c : cases) {
        RegistryScript script;
        script.roots.push_back({});
        std::string error;
        EXPECT_FALSE(ParseRegistryScript(c.text, {}, &script, &error)) << c.text;
        EXPECT_EQ(error, c.error) << c.text;
        EXPECT_EQ(script.roots.size(), 1u) << "a failed read leaves the caller's script alone";
    }
}

}  // namespace
}  // namespace velor::velhook
