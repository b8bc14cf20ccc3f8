// The registration script that Velhook carries as its "REGISTRY" resource, and the registrar
// that runs it. MinGW has no ATL, so this is our own small reader of exactly the script format
// our resource uses:
//
//   HKCR                                  root keys: HKCR HKCU HKLM HKU (or their long names)
//   {
//     NoRemove CLSID                      NoRemove: never deleted on unregistration
//     {
//       ForceRemove {...} = s 'Text'      ForceRemove: deleted (whole tree) before it is created
//       {
//         'Programmable'                  a key with no value; names may be quoted
//         InprocServer32 = s '%MODULE%'   s text, d number, b hex bytes; %NAME% is replaced
//         {
//           val ThreadingModel = s 'Apartment'     a named value instead of a subkey
//         }
//       }
//     }
//   }
//
// Quoted texts double a quote to hold one (''); %% stands for one percent sign. Registration
// creates every key and sets every value; unregistration deletes every key that is not NoRemove
// (with all below it) and every named value. Portable: the registry is reached through a sink.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace velor::velhook {

enum class ScriptValueType { kString, kNumber, kBinary };

struct ScriptValue {
    ScriptValueType type = ScriptValueType::kString;
    std::string text;                 // kString, after replacement
    std::uint32_t number = 0;         // kNumber
    std::vector<std::uint8_t> bytes;  // kBinary
};

struct ScriptNamedValue {
    std::string name;
    ScriptValue value;
};

struct ScriptKey {
    std::string name;
    bool noRemove = false;
    bool forceRemove = false;
    bool deleteOnRegister = false;  // "Delete": removed on registration, never created
    bool hasDefault = false;
    ScriptValue defaultValue;
    std::vector<ScriptNamedValue> values;
    std::vector<ScriptKey> subkeys;
};

struct RegistryScript {
    std::vector<ScriptKey> roots;  // names are the short root names: HKCR, HKCU, HKLM, HKU
};

// Reads the script; %NAME% is replaced from the map (a name not in the map is an error). On
// failure returns false and says where in *error ("line 3: ...").
bool ParseRegistryScript(const std::string& text, const std::map<std::string, std::string>& replacements,
                         RegistryScript* script, std::string* error);

// What the registrar does to the registry. Paths are the root's short name and the key names
// below it, joined with backslashes ("HKCR\\CLSID\\{...}"). Each call returns 0 or a Win32 error
// code; deleting what is not there returns 0.
class RegistrySink {
public:
    virtual ~RegistrySink() = default;
    virtual long CreateKey(const std::string& path) = 0;
    virtual long SetValue(const std::string& path, const std::string& name, const ScriptValue& value) = 0;  // "" = default
    virtual long DeleteValue(const std::string& path, const std::string& name) = 0;
    virtual long DeleteTree(const std::string& path) = 0;
    virtual bool KeyExists(const std::string& path) = 0;
};

// Runs the script in one direction. Registration stops at the first failure and returns it as
// an HRESULT (0x8007xxxx); unregistration goes on past failures and returns the first one.
std::int32_t RunRegistryScript(const RegistryScript& script, bool registering, RegistrySink& sink);

}  // namespace velor::velhook
