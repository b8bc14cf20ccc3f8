#!/usr/bin/env python3
"""silent_install.py PREFIX SETUP PREVIOUS_SETUP PAYLOAD

The setup program and its uninstaller, silent (/S), in a Wine prefix whose session the caller
started: what an installation leaves in the registry and the program folder, compared with
exports taken before; that the uninstaller takes all of it back; that an update from the
previous version and a repair keep the users' settings (the repair switching the extension on
again); the setup program's version resource. Prints one line per case and FAIL lines."""
import hashlib
import os
import re
import sys

# The helpers beside this script are imported from the source tree, which stays clean.
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from pe_version import read_version  # noqa: E402
from wine_prefix import Prefix, TOP, wait_until  # noqa: E402

VERSION = "1.0.117"
CLSID = "{8D3E5C21-47A9-4B6E-9F10-2C7A41B5E903}"
HKLM = "HKEY_LOCAL_MACHINE\\"
HKCU = "HKEY_CURRENT_USER\\"
UNINSTALL = HKLM + "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\UNINSTALL\\VELOROUTLOOKEXPRESSEXTENSIONS"
HOOKS = HKLM + "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\EXPLORER\\SHELLEXECUTEHOOKS"
SHARED_DLLS = HKLM + "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\SHAREDDLLS"
WAB_LIBRARY = "C:\\Program Files\\Common Files\\System\\wab32.dll"
INSTALL_DIR = "C:\\Program Files\\Velor\\Outlook Express Extensions"
PRODUCT_FILES = ["Contave.exe", "Uninstall.exe", "Velcore.dll", "Velhook.dll", "libcrypto-3.dll", "libssl-3.dll"]

# Keys the product may add under HKLM; every other change of the registry is a fault.
PRODUCT_KEYS = [
    HKLM + "SOFTWARE\\CLASSES\\VELORMAIL.VELHOOKSHELLEXECUTEHOOK.1",
    HKLM + "SOFTWARE\\CLASSES\\VELORMAIL.VELHOOKSHELLEXECUTEHOOK",
    HKLM + "SOFTWARE\\CLASSES\\CLSID\\" + CLSID,
    HKLM + "SOFTWARE\\VELOR",
    UNINSTALL,
]
# What Wine changes by itself when programs run, which is not the product's doing.
WINE_CHURN = [
    # the display driver, recorded when the first window opens on the session's display
    HKLM + "SYSTEM\\CURRENTCONTROLSET\\CONTROL\\VIDEO",
]
# Folders of drive C that Wine and the setup program use as scratch space: the temporary folders
# (the system's and each user's).
def scratch(rel):
    parts = rel.split("/")
    return parts[:2] == ["windows", "temp"] or (parts[0] == "users" and "Temp" in parts[2:5])
# Scratch of the setup program: the uninstaller runs from a copy in the temporary folder, which
# Windows deletes at the next start (so does every NSIS uninstaller).
PENDING = HKLM + "SYSTEM\\CURRENTCONTROLSET\\CONTROL\\SESSION MANAGER"

failures = []


def fail(case, text):
    failures.append(f"{case}: {text}")
    print(f"FAIL: {case}: {text}", flush=True)


def uninstaller_scratch(data):
    """Whether a pending rename list (REG_MULTI_SZ as regedit exports it) names nothing but the
    uninstaller's running copy in a temporary folder."""
    if data is None:
        return True
    if not data.startswith("hex(7):"):
        return False
    raw = bytes(int(h, 16) for h in data[7:].replace("\\", "").replace(" ", "").split(",") if h)
    names = [n for n in raw.decode("utf-16-le").split("\0") if n]
    return all(re.search(r"\\Temp\\~nsu[^\\]*\.tmp(\\|$)", n, re.I) for n in names)


def churn(key):
    return any(key == p or key.startswith(p + "\\") for p in WINE_CHURN) or key.split("\\")[0] in (
        "HKEY_CLASSES_ROOT", "HKEY_USERS", "HKEY_CURRENT_CONFIG", "HKEY_DYN_DATA")


def diff(before, after):
    """Changes from one export to the other: {(key, value name or None): (old, new)}."""
    changes = {}
    for key in set(before) | set(after):
        if churn(key):
            continue
        old, new = before.get(key), after.get(key)
        if old is None or new is None:
            changes[(key, None)] = ("absent" if old is None else "key", "absent" if new is None else "key")
        for name in set(old or {}) | set(new or {}):
            a, b = (old or {}).get(name), (new or {}).get(name)
            if a != b and not (key == PENDING and name == "PendingFileRenameOperations" and uninstaller_scratch(b)):
                changes[(key, name)] = (a, b)
    return changes


def describe(changes):
    return "; ".join(f"{k}{'' if n is None else ' [' + n + ']'}: {a} -> {b}" for (k, n), (a, b) in sorted(changes.items(), key=lambda c: (c[0][0], str(c[0][1]))))


def reg_text(windows_text):
    """A REG_SZ as regedit exports it."""
    return '"' + windows_text.replace("\\", "\\\\").replace('"', '\\"') + '"'


class Case:
    def __init__(self, prefix, work):
        self.prefix = prefix
        self.work = work
        self.exports = 0

    def registry(self):
        self.exports += 1
        return self.prefix.export_registry(os.path.join(self.work, f"export-{self.exports}.reg"))

    def files(self):
        found = set()
        for root, dirs, names in os.walk(self.prefix.drive_c):
            rel = os.path.relpath(root, self.prefix.drive_c)
            if scratch(rel):
                continue
            found.update(os.path.join(rel, n) for n in names)
            found.update(os.path.join(rel, d) + "/" for d in dirs)
        return found

    def install(self, setup, case):
        code, out = self.prefix.run(setup, "/S", timeout=600)
        if code != 0:
            fail(case, f"the setup program ended with {code}: {out}")
        return code == 0

    def uninstall(self, case, *options):
        uninstaller = self.prefix.unix(INSTALL_DIR + "\\Uninstall.exe")
        if not os.path.exists(uninstaller):
            fail(case, "no Uninstall.exe in the program folder")
            return False
        # The uninstaller starts a copy of itself from the temporary folder and returns at once;
        # the copy removes the program folder and, last, the entry in the list of programs.
        code, out = self.prefix.run(INSTALL_DIR + "\\Uninstall.exe", "/S", *options, timeout=300)
        if code != 0:
            fail(case, f"the uninstaller ended with {code}: {out}")
        done = wait_until(lambda: not os.path.exists(self.prefix.unix(INSTALL_DIR)) and
                          self.prefix.reg("query", UNINSTALL.replace("HKEY_LOCAL_MACHINE", "HKLM"))[0] != 0, 240, 2)
        if not done:
            fail(case, "the uninstaller did not finish within 4 minutes")
        return done

    def write_user_settings(self):
        for args in (
            ("HKCU\\Software\\Velor\\MailClientExtensions\\Velhook", "/v", "Enabled", "/t", "REG_DWORD", "/d", "0"),
            ("HKCU\\Software\\Velor\\MailClientExtensions\\Velhook", "/v", "Language", "/t", "REG_DWORD", "/d", "1029"),
            ("HKCU\\Software\\Velor\\MailClientExtensions\\Velcore\\Certificates", "/v", "mail.example.com:993",
             "/d", "3F:A0:11"),
            ("HKCU\\Software\\Velor\\Contave", "/v", "Host", "/d", "mail.example.com"),
            ("HKCU\\Software\\Velor\\Contave", "/v", "PrivEnabled", "/t", "REG_DWORD", "/d", "1"),
        ):
            code, out = self.prefix.reg("add", *args, "/f")
            if code != 0:
                raise RuntimeError("reg add failed: " + out)


def check_installation(case, changes, registry, user_settings_expected):
    """The changes an installation makes to the registry, exactly."""
    velhook = INSTALL_DIR + "\\Velhook.dll"
    expected = {
        (HKLM + "SOFTWARE\\CLASSES\\CLSID\\" + CLSID + "\\INPROCSERVER32", "@"): reg_text(velhook),
        (HKLM + "SOFTWARE\\CLASSES\\CLSID\\" + CLSID + "\\INPROCSERVER32", "ThreadingModel"): '"Apartment"',
        (HKLM + "SOFTWARE\\CLASSES\\VELORMAIL.VELHOOKSHELLEXECUTEHOOK\\CURVER", "@"): '"VelorMail.VelhookShellExecuteHook.1"',
        (HOOKS, CLSID): '"VelhookShellExecuteHook"',
        (HKLM + "SOFTWARE\\VELOR\\CONTAVE", "@"): reg_text(INSTALL_DIR + "\\Contave.exe"),
        (HKLM + "SOFTWARE\\VELOR\\MAILCLIENTEXTENSIONS\\VELHOOK", "Enabled"): "dword:00000001",
        # The address book's own count of 1 plus one for each of Velhook and Contave.
        (SHARED_DLLS, WAB_LIBRARY): "dword:00000003",
        (UNINSTALL, "DisplayVersion"): f'"{VERSION}"',
        (UNINSTALL, "QuietUninstallString"): reg_text(f'"{INSTALL_DIR}\\Uninstall.exe" /S'),
        (UNINSTALL, "UninstallString"): reg_text(f'"{INSTALL_DIR}\\Uninstall.exe"'),
        (UNINSTALL, "InstallLocation"): reg_text(INSTALL_DIR),
    }
    for (key, name), data in expected.items():
        got = registry.get(key, {}).get(name)
        if got != data:
            fail(case, f"{key} [{name}] is {got}, expected {data}")
    for (key, name), (old, new) in changes.items():
        if (key, name) in expected or (key, None) in expected or (key == HOOKS and name is None):
            continue
        if any(key == p or key.startswith(p + "\\") for p in PRODUCT_KEYS) and old in (None, "absent"):
            continue
        if user_settings_expected and key.startswith(HKCU + "SOFTWARE\\VELOR"):
            continue
        fail(case, f"unexpected change {key} [{name}]: {old} -> {new}")


def check_program_folder(case, prefix, payload):
    folder = prefix.unix(INSTALL_DIR)
    present = sorted(os.listdir(folder)) if os.path.isdir(folder) else []
    if present != PRODUCT_FILES:
        fail(case, f"the program folder holds {present}, expected {PRODUCT_FILES}")
    for name in PRODUCT_FILES:
        if name == "Uninstall.exe" or name not in present:
            continue
        source = os.path.join(payload, name)
        if hashlib.sha256(open(source, "rb").read()).digest() != hashlib.sha256(open(os.path.join(folder, name), "rb").read()).digest():
            fail(case, f"{name} differs from the one the setup program was made from")


def user_settings(registry):
    return {k: v for k, v in registry.items() if k.startswith(HKCU + "SOFTWARE\\VELOR")}


def main():
    prefix_path, setup, previous, payload = sys.argv[1:5]
    prefix = Prefix(prefix_path)
    work = os.path.join(os.path.dirname(prefix.path), "silent-install")
    os.makedirs(work, exist_ok=True)
    t = Case(prefix, work)

    # Version resource, as the Properties dialog shows it.
    info = read_version(setup)
    for name, want in (("ProductVersion#", VERSION + ".0"), ("FileVersion#", VERSION + ".0"),
                       ("ProductName", "Velor Outlook Express Extensions"), ("ProductVersion", VERSION),
                       ("OriginalFilename", os.path.basename(setup))):
        if info.get(name) != want:
            fail("version resource", f"{name} is {info.get(name)!r}, expected {want!r}")
    print("version resource:", info.get("ProductName"), info.get("ProductVersion"), flush=True)

    # The machine as the product finds it: an address book that counts one user already.
    prefix.reg("add", "HKLM\\Software\\Microsoft\\WAB\\DLLPath", "/ve", "/d", WAB_LIBRARY, "/f")
    prefix.reg("add", "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs", "/v", WAB_LIBRARY,
               "/t", "REG_DWORD", "/d", "1", "/f")
    prefix.reg("delete", "HKCU\\Software\\Velor", "/f")
    before = t.registry()
    files_before = t.files()

    case = "fresh install"
    if t.install(setup, case):
        after = t.registry()
        check_installation(case, diff(before, after), after, False)
        check_program_folder(case, prefix, payload)
        added = sorted(t.files() - files_before)
        shortcuts = [f for f in added if f.endswith("Velor WAB Synchronization Tool.lnk")]
        if len(shortcuts) != 1:
            fail(case, f"no Start menu entry for the synchronisation tool among {added}")
        print(f"{case}: {len(diff(before, after))} registry changes, {len(added)} new files and folders", flush=True)

    case = "uninstall with /REMOVESETTINGS"
    t.write_user_settings()
    if t.uninstall(case, "/REMOVESETTINGS"):
        left = diff(before, t.registry())
        if left:
            fail(case, "the registry differs from before the installation: " + describe(left))
        stray = sorted(t.files() ^ files_before)
        if stray:
            fail(case, f"files differ from before the installation: {stray}")
        print(f"{case}: registry and files as before", flush=True)

    case = f"update from {os.path.basename(previous)}"
    if t.install(previous, case + " (previous)"):
        t.write_user_settings()
        settings = user_settings(t.registry())
        if t.install(setup, case):
            after = t.registry()
            check_installation(case, diff(before, after), after, True)
            check_program_folder(case, prefix, payload)
            if user_settings(after) != settings:
                fail(case, "the users' settings changed: " + describe(diff(settings, user_settings(after))))
            print(f"{case}: users' settings kept, counted once", flush=True)

            case = "repair"
            if t.install(setup, case):
                after = t.registry()
                check_installation(case, diff(before, after), after, True)
                velhook = after.get(HKCU + "SOFTWARE\\VELOR\\MAILCLIENTEXTENSIONS\\VELHOOK", {})
                if "Enabled" in velhook:
                    fail(case, f"the user's Enabled is still {velhook['Enabled']}")
                settings[HKCU + "SOFTWARE\\VELOR\\MAILCLIENTEXTENSIONS\\VELHOOK"].pop("Enabled")
                if user_settings(after) != settings:
                    fail(case, "other settings changed: " + describe(diff(settings, user_settings(after))))
                print(f"{case}: extension switched on again, other settings kept", flush=True)

                case = "uninstall keeping settings"
                if t.uninstall(case):
                    after = t.registry()
                    left = {k: v for k, v in diff(before, after).items() if not k[0].startswith(HKCU + "SOFTWARE\\VELOR")}
                    if left:
                        fail(case, "the registry differs from before the installation: " + describe(left))
                    if user_settings(after) != settings:
                        fail(case, "the users' settings were not kept")
                    stray = sorted(t.files() ^ files_before)
                    if stray:
                        fail(case, f"files differ from before the installation: {stray}")
                    print(f"{case}: machine as before, users' settings kept", flush=True)
    prefix.reg("delete", "HKCU\\Software\\Velor", "/f")

    print(f"{'FAILED' if failures else 'passed'}: {len(failures)} failure(s)")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
