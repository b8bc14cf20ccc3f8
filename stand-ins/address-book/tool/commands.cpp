#include "tool/commands.h"

#include "store/computed.h"
#include "store/entry_id.h"
#include "store/store.h"
#include "store/store_ops.h"
#include "store/store_path.h"
#include "tool/dump.h"
#include "tool/prop_names.h"
#include "tool/registration.h"

#include <mapidefs_shim.h>

#include <cstdio>
#include <functional>
#include <map>
#include <memory>

namespace wabtool {

using namespace wabstand;

const char* const kUsage =
    "usage: wabtool [--file STORE] COMMAND ...\n"
    "  folders                          list the folders\n"
    "  mkfolder NAME                    create a folder\n"
    "  list FOLDER                      list a folder's contacts and distribution lists\n"
    "  dump [FOLDER]                    every property of a folder's entries (all folders)\n"
    "  add FOLDER PROP=VALUE...         add a contact\n"
    "  addlist FOLDER NAME [CONTACT...] add a distribution list with these members\n"
    "  edit CONTACT PROP=VALUE|PROP+=VALUE|-PROP...\n"
    "                                   change a contact as a user would; its modification\n"
    "                                   time moves even when no value changes\n"
    "  delete CONTACT                   delete a contact or distribution list\n"
    "  where                            the store file and the installed DLL\n"
    "  install DLL | uninstall          set or remove HKLM\\Software\\Microsoft\\WAB\\DLLPath\n"
    "PROP is a PR_ name or a tag in hexadecimal; PROP+=VALUE adds one element to a multi-valued\n"
    "property. FOLDER is a folder's name; CONTACT an entry id in hexadecimal or a display name.\n";

namespace {

struct Context {
  std::shared_ptr<Store> store;
  std::string* out;
  std::string* err;
};

std::string Message(HRESULT hr) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(hr));
  return text;
}

int Fail(Context& c, const std::string& what, HRESULT hr) {
  *c.err += "wabtool: " + what + " (" + Message(hr) + ")\n";
  return 1;
}

int Usage(std::string* err, const std::string& what) {
  *err += "wabtool: " + what + "\n" + kUsage;
  return 2;
}

std::string NameOf(const Record& record) {
  const PropValue* name = Find(record.props, PR_DISPLAY_NAME_A);
  return name ? name->bytes : std::string();
}

std::string EidHex(const StoreData& data, const Record& record) {
  return HexBytes(MakeEntryId(data.uid, record.kind, record.id));
}

const Record* ResolveFolder(const StoreData& data, const std::string& name, std::string* err) {
  const Record* folder = FindFolderByName(data, name);
  if (!folder) *err += "wabtool: no folder \"" + name + "\"\n";
  return folder;
}

// A contact by its entry id in hexadecimal, or by a display name that only one entry has.
const Record* ResolveContact(const StoreData& data, const std::string& text, std::string* err) {
  std::string bytes;
  Kind kind;
  ULONG id;
  if (ParseHexBytes(text, &bytes) &&
      ParseEntryId(bytes.data(), static_cast<ULONG>(bytes.size()), data.uid, &kind, &id)) {
    const Record* record = FindRecord(data, id);
    if (record && record->kind == kind && record->kind != Kind::Folder) return record;
  }
  const Record* match = nullptr;
  for (const Record* entry : EntriesOf(data, 0)) {
    if (lstrcmpiA(NameOf(*entry).c_str(), text.c_str()) != 0) continue;
    if (match) {
      *err += "wabtool: more than one entry is named \"" + text + "\"; give its entry id\n";
      return nullptr;
    }
    match = entry;
  }
  if (!match) *err += "wabtool: no contact \"" + text + "\"\n";
  return match;
}

// PROP=VALUE, PROP+=VALUE (one element of a list; all given in one command form the list) and
// -PROP (delete).
bool ParseAssignments(const std::vector<std::string>& args, size_t first, PropMap* set,
                      std::set<ULONG>* deleted, std::string* err) {
  for (size_t i = first; i < args.size(); ++i) {
    const std::string& arg = args[i];
    ULONG tag;
    if (!arg.empty() && arg[0] == '-') {
      if (!ParseTag(arg.substr(1), &tag)) {
        *err += "wabtool: unknown property \"" + arg.substr(1) + "\"\n";
        return false;
      }
      set->erase(PROP_ID(tag));
      deleted->insert(PROP_ID(tag));
      continue;
    }
    size_t eq = arg.find('=');
    if (eq == std::string::npos || eq == 0) {
      *err += "wabtool: expected PROP=VALUE, not \"" + arg + "\"\n";
      return false;
    }
    bool append = arg[eq - 1] == '+';
    std::string name = arg.substr(0, append ? eq - 1 : eq);
    std::string text = arg.substr(eq + 1);
    if (!ParseTag(name, &tag) || !IsStorableType(PROP_TYPE(tag)) || IsComputed(tag)) {
      *err += "wabtool: \"" + name + "\" is not a property that can be set\n";
      return false;
    }
    PropValue value;
    bool ok;
    auto existing = set->find(PROP_ID(tag));
    if (append && existing != set->end() && existing->second.tag == tag) {
      ok = AppendElement(tag, text, &existing->second);
    } else {
      ok = append ? AppendElement(tag, text, &value) : ParseValue(tag, text, &value);
      if (ok) Put(*set, value);
    }
    if (!ok) {
      *err += "wabtool: \"" + text + "\" is not a value for " + name + "\n";
      return false;
    }
    deleted->erase(PROP_ID(tag));
  }
  return true;
}

int CmdFolders(Context& c) {
  return FAILED(c.store->Read([&](const StoreData& data) {
           for (const Record* folder : Folders(data))
             *c.out += EidHex(data, *folder) + " " + NameOf(*folder) + "\n";
         }))
             ? Fail(c, "cannot read the address book", E_FAIL)
             : 0;
}

int CmdMkFolder(Context& c, const std::string& name) {
  std::string eid;
  HRESULT hr = c.store->Update([&](StoreData& data, bool* changed) {
    ULONG id;
    HRESULT r = CreateFolder(data, name, &id);
    if (SUCCEEDED(r)) {
      *changed = true;
      eid = EidHex(data, data.records[id]);
    }
    return r;
  });
  if (FAILED(hr)) return Fail(c, "cannot create the folder \"" + name + "\"", hr);
  *c.out += eid + "\n";
  return 0;
}

int CmdList(Context& c, const std::string& folderName) {
  int code = 0;
  HRESULT hr = c.store->Read([&](const StoreData& data) {
    const Record* folder = ResolveFolder(data, folderName, c.err);
    if (!folder) {
      code = 1;
      return;
    }
    for (const Record* entry : EntriesOf(data, folder->id)) {
      const PropValue* email = Find(entry->props, PR_EMAIL_ADDRESS_A);
      *c.out += EidHex(data, *entry) + (entry->kind == Kind::DistList ? " list " : " user ") +
                NameOf(*entry) + (email ? " <" + email->bytes + ">" : std::string()) + "\n";
    }
  });
  return FAILED(hr) ? Fail(c, "cannot read the address book", hr) : code;
}

int CmdDump(Context& c, const std::string* folderName) {
  int code = 0;
  HRESULT hr = c.store->Read([&](const StoreData& data) {
    std::vector<const Record*> folders;
    if (folderName) {
      const Record* folder = ResolveFolder(data, *folderName, c.err);
      if (!folder) {
        code = 1;
        return;
      }
      folders.push_back(folder);
    } else {
      folders = Folders(data);
    }
    for (const Record* folder : folders) {
      *c.out += "folder " + EidHex(data, *folder) + " " + FormatValue(*Find(folder->props,
                PR_DISPLAY_NAME_A)) + "\n";
      for (const Record* entry : EntriesOf(data, folder->id)) {
        *c.out += (entry->kind == Kind::DistList ? "  list " : "  user ") + EidHex(data, *entry) +
                  "\n";
        *c.out += FormatProps(FullProps(*entry, data.uid), "    ");
      }
    }
  });
  return FAILED(hr) ? Fail(c, "cannot read the address book", hr) : code;
}

// Creates one entry in the named folder within one store update and prints its identifier.
// fill completes the entry's properties from the store, or returns false (nothing is created).
int CreateInFolder(Context& c, const std::string& folderName, Kind kind, const char* failure,
                   const std::function<bool(StoreData&, PropMap*)>& fill) {
  std::string eid;
  int code = 0;
  HRESULT hr = c.store->Update([&](StoreData& data, bool* changed) {
    const Record* folder = ResolveFolder(data, folderName, c.err);
    PropMap props;
    if (!folder || !fill(data, &props)) {
      code = 1;
      return S_OK;
    }
    ULONG id;
    HRESULT r = CreateEntry(data, folder->id, kind, props, 0, &id);
    if (SUCCEEDED(r)) {
      *changed = true;
      eid = EidHex(data, data.records[id]);
    }
    return r;
  });
  if (FAILED(hr)) return Fail(c, failure, hr);
  if (!code) *c.out += eid + "\n";
  return code;
}

int CmdAdd(Context& c, const std::vector<std::string>& args) {
  PropMap props;
  std::set<ULONG> deleted;
  if (!ParseAssignments(args, 2, &props, &deleted, c.err)) return 2;
  if (!deleted.empty()) return Usage(c.err, "add takes no -PROP");
  return CreateInFolder(c, args[1], Kind::MailUser, "cannot add the contact", [&](StoreData&, PropMap* out) {
    *out = props;
    return true;
  });
}

int CmdAddList(Context& c, const std::vector<std::string>& args) {
  return CreateInFolder(c, args[1], Kind::DistList, "cannot add the distribution list",
                        [&](StoreData& data, PropMap* props) {
                          PropValue members;
                          members.tag = PR_WAB_DL_ENTRIES;
                          for (size_t i = 3; i < args.size(); ++i) {
                            const Record* member = ResolveContact(data, args[i], c.err);
                            if (!member) return false;
                            members.items.push_back(MakeEntryId(data.uid, member->kind, member->id));
                          }
                          Put(*props, MakeString(PR_DISPLAY_NAME_A, args[2]));
                          Put(*props, members);
                          return true;
                        });
}

int CmdEdit(Context& c, const std::vector<std::string>& args) {
  PropMap set;
  std::set<ULONG> deleted;
  if (!ParseAssignments(args, 2, &set, &deleted, c.err)) return 2;
  int code = 0;
  HRESULT hr = c.store->Update([&](StoreData& data, bool* changed) {
    const Record* entry = ResolveContact(data, args[1], c.err);
    if (!entry) {
      code = 1;
      return S_OK;
    }
    ULONG id = entry->id;
    HRESULT r = UpdateEntry(data, id, set, deleted, changed);
    // A user who opens a contact and presses OK saves it, changed or not.
    if (SUCCEEDED(r) && !*changed) {
      data.records[id].modified = NextStamp(data);
      *changed = true;
    }
    return r;
  });
  if (FAILED(hr)) return Fail(c, "cannot change the contact", hr);
  return code;
}

int CmdDelete(Context& c, const std::string& contact) {
  int code = 0;
  HRESULT hr = c.store->Update([&](StoreData& data, bool* changed) {
    const Record* entry = ResolveContact(data, contact, c.err);
    if (!entry) {
      code = 1;
      return S_OK;
    }
    *changed = true;
    return DeleteEntry(data, entry->id);
  });
  if (FAILED(hr)) return Fail(c, "cannot delete the contact", hr);
  return code;
}

// Tells without opening: a store that does not exist yet is not created by asking where it is.
int CmdWhere(const std::string& file, std::string* out) {
  *out += "store " + ResolveStorePath(file.empty() ? nullptr : file.c_str()) + "\n";
  std::string dll;
  *out += InstalledDll(&dll) == S_OK ? "dll " + dll + "\n" : "dll (not installed)\n";
  return 0;
}

int RunRegistration(const std::vector<std::string>& args, std::string* out, std::string* err) {
  if (args[0] == "install") {
    if (args.size() != 2) return Usage(err, "install takes the DLL's path");
    std::string installed;
    HRESULT hr = InstallDll(args[1], &installed);
    if (FAILED(hr)) {
      *err += "wabtool: cannot install \"" + args[1] + "\" (" + Message(hr) + ")\n";
      return 1;
    }
    *out += "installed " + installed + "\n";
    return 0;
  }
  if (args.size() != 1) return Usage(err, "uninstall takes no arguments");
  HRESULT hr = UninstallDll();
  if (FAILED(hr)) {
    *err += "wabtool: cannot uninstall (" + Message(hr) + ")\n";
    return 1;
  }
  *out += hr == S_OK ? "uninstalled\n" : "nothing was installed\n";
  return 0;
}

}  // namespace

int Run(const std::vector<std::string>& all, std::string* out, std::string* err) {
  std::vector<std::string> args = all;
  std::string file;
  if (args.size() >= 2 && args[0] == "--file") {
    file = args[1];
    args.erase(args.begin(), args.begin() + 2);
  }
  if (args.empty()) return Usage(err, "no command");
  const std::string& cmd = args[0];
  if (cmd == "install" || cmd == "uninstall") return RunRegistration(args, out, err);

  struct Arity {
    const char* name;
    size_t min, max;
  };
  static const Arity kArity[] = {{"folders", 1, 1}, {"mkfolder", 2, 2}, {"list", 2, 2},
                                 {"dump", 1, 2},    {"add", 3, SIZE_MAX}, {"addlist", 3, SIZE_MAX},
                                 {"edit", 2, SIZE_MAX}, {"delete", 2, 2}, {"where", 1, 1}};
  const Arity* arity = nullptr;
  for (const Arity& a : kArity)
    if (cmd == a.name) arity = &a;
  if (!arity) return Usage(err, "unknown command \"" + cmd + "\"");
  if (args.size() < arity->min || args.size() > arity->max)
    return Usage(err, "wrong number of arguments for " + cmd);

  if (cmd == "where") return CmdWhere(file, out);

  Context c{nullptr, out, err};
  HRESULT hr = Store::Open(ResolveStorePath(file.empty() ? nullptr : file.c_str()), &c.store);
  if (FAILED(hr)) return Fail(c, "cannot open the address book", hr);

  if (cmd == "folders") return CmdFolders(c);
  if (cmd == "mkfolder") return CmdMkFolder(c, args[1]);
  if (cmd == "list") return CmdList(c, args[1]);
  if (cmd == "dump") return CmdDump(c, args.size() == 2 ? &args[1] : nullptr);
  if (cmd == "add") return CmdAdd(c, args);
  if (cmd == "addlist") return CmdAddList(c, args);
  if (cmd == "edit") return CmdEdit(c, args);
  return CmdDelete(c, args[1]);
}

}  // namespace wabtool
