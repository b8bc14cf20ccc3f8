"""A Wine prefix of the installer's tests and the demo, reached through tools/wine-run: programs,
the registry as regedit exports it, and paths in both worlds."""
import os
import subprocess
import time

TOP = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
WINE_RUN = os.path.join(TOP, "tools", "wine-run")


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


class Prefix:
    def __init__(self, path):
        self.path = os.path.abspath(path)
        self.drive_c = os.path.join(self.path, "drive_c")

    def env(self):
        env = dict(os.environ)
        # Shortcuts would otherwise become menu entries of the Linux desktop of whoever runs this.
        env["WINEDLLOVERRIDES"] = "mscoree,mshtml,winemenubuilder.exe="
        return env

    def run(self, *args, timeout=300, check=False):
        """Runs a program of the prefix and waits for it; returns (exit code, output)."""
        p = subprocess.run([WINE_RUN, "--prefix", self.path, *args], env=self.env(), timeout=timeout,
                           stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        out = p.stdout.decode("utf-8", "replace").replace("\r", "")
        if check and p.returncode != 0:
            raise RuntimeError(f"{' '.join(args)} ended with {p.returncode}: {out}")
        return p.returncode, out

    def reg(self, *args):
        return self.run("reg", *args)

    def unix(self, windows):
        """C:\\x\\y inside the prefix as a Linux path."""
        assert windows[1:3] == ":\\" and windows[0].upper() == "C", windows
        return os.path.join(self.drive_c, *windows[3:].split("\\"))

    def export_registry(self, scratch):
        """The whole registry as {key: {value name: data text}}, key names in upper case."""
        if os.path.exists(scratch):
            os.remove(scratch)
        code, out = self.run("regedit", "/E", windows_path(scratch))
        if code != 0 or not os.path.exists(scratch):
            raise RuntimeError("regedit /E failed: " + out)
        with open(scratch, "rb") as f:
            raw = f.read()
        text = raw.decode("utf-16") if raw[:2] in (b"\xff\xfe", b"\xfe\xff") else raw.decode("utf-8", "replace")
        return parse_reg(text)


def parse_reg(text):
    keys = {}
    current = None
    pending = ""
    for line in text.replace("\r", "").split("\n"):
        if pending:
            line = pending + line.lstrip()
            pending = ""
        if line.endswith("\\") and current is not None and not line.startswith("["):
            pending = line[:-1]
            continue
        if line.startswith("[") and line.endswith("]"):
            current = keys.setdefault(normal_key(line[1:-1]), {})
        elif current is not None and line and not line.startswith(";"):
            name, data = split_value(line)
            current[name] = data
    return keys


def normal_key(name):
    """Key names in upper case; the user's hive, which regedit exports under HKEY_USERS and the
    user's SID, as HKEY_CURRENT_USER."""
    name = name.upper()
    parts = name.split("\\", 2)
    if parts[0] == "HKEY_USERS" and len(parts) > 1 and parts[1].startswith("S-1-5-21-"):
        return "\\".join(["HKEY_CURRENT_USER"] + parts[2:])
    return name


def split_value(line):
    if line.startswith("@="):
        return "@", line[2:]
    # "name"=data, the name with \" and \\ escapes
    i = 1
    while i < len(line):
        if line[i] == "\\":
            i += 2
            continue
        if line[i] == '"':
            break
        i += 1
    name = line[1:i].replace('\\"', '"').replace("\\\\", "\\")
    return name, line[i + 2:]


def wait_until(predicate, timeout, step=0.5):
    end = time.time() + timeout
    while time.time() < end:
        if predicate():
            return True
        time.sleep(step)
    return predicate()
