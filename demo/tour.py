#!/usr/bin/env python3
"""The demo's scripted tour: drives Outlook Express's stand-in through its test agent (a loopback
socket inside the host) step by step, takes a screenshot of the virtual desktop after each, and
keeps the mail server's wire-log lines of each step.

  tour.py run    --agent-file F --out DIR --wire-log F [--short]   the steps; DIR/steps.json
  tour.py report --out DIR --seed F --state F                      DIR/index.html
  tour.py wait   --agent-file F                                    until the host has ended
  tour.py quit   --agent-file F                                    closes the host

A step is a function decorated with @step(title); to add one, write it below the others. It
returns what the user is to notice (text); `tour.shot()` inside it adds a screenshot. Steps
run in the order they are written; --short runs only those marked short=True."""
import argparse
import html
import json
import os
import re
import socket
import subprocess
import sys
import time

STEPS = []


def step(title, short=False):
    def register(fn):
        STEPS.append((title, short, fn))
        return fn
    return register


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def quote(text):
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'


def words(line):
    """A reply line split into words, quoted texts unquoted."""
    out, i = [], 0
    while i < len(line):
        if line[i] == " ":
            i += 1
        elif line[i] == '"':
            j, text = i + 1, ""
            while j < len(line) and line[j] != '"':
                if line[j] == "\\" and j + 1 < len(line):
                    j += 1
                    if line[j] == "x":
                        text += chr(int(line[j + 1:j + 3], 16))
                        j += 2
                    else:
                        text += {"n": "\n", "r": "\r", "t": "\t"}.get(line[j], line[j])
                else:
                    text += line[j]
                j += 1
            out.append(text)
            i = j + 1
        else:
            j = line.find(" ", i)
            j = len(line) if j < 0 else j
            out.append(line[i:j])
            i = j
    return out


class TourError(Exception):
    pass


class Agent:
    """The host's test agent: one request per line, answered with OK or ERR, data lines and '.'."""

    def __init__(self, agent_file, timeout=180):
        end = time.time() + timeout
        while True:
            try:
                port = int(open(agent_file).read().strip())
                self.sock = socket.create_connection(("127.0.0.1", port), timeout=60)
                break
            except (OSError, ValueError):
                if time.time() > end:
                    raise TourError(f"the host's agent did not answer within {timeout} s ({agent_file})")
                time.sleep(0.5)
        self.buffer = b""

    def ask(self, request):
        self.sock.sendall(request.encode("latin-1") + b"\n")
        lines = []
        while True:
            while b"\n" not in self.buffer:
                chunk = self.sock.recv(65536)
                if not chunk:
                    raise TourError("the host closed the agent's connection")
                self.buffer += chunk
            raw, self.buffer = self.buffer.split(b"\n", 1)
            line = raw.decode("latin-1")
            if line == ".":
                break
            lines.append(line)
        status = lines.pop(0) if lines else "ERR no answer"
        return status == "OK", status[4:] if status.startswith("ERR") else "", lines

    def ask_until(self, request, predicate=lambda lines: True, timeout=30):
        end = time.time() + timeout
        while True:
            ok, error, lines = self.ask(request)
            if ok and predicate(lines):
                return lines
            if time.time() > end:
                raise TourError(f"'{request}' did not give what was awaited within {timeout} s: "
                                f"{error or lines[:5]}")
            time.sleep(0.3)

    def must(self, request):
        ok, error, lines = self.ask(request)
        if not ok:
            raise TourError(f"'{request}' failed: {error}")
        return lines


class Tour:
    def __init__(self, agent, out, wire_log):
        self.agent = agent
        self.out = out
        self.wire_log = wire_log
        # From the server's start: the first step shows the host's own start-up (its folder lists).
        self.wire_offset = 0
        self.shots = []
        self.main = agent.must("main")[0]
        self.done = []

    def shot(self, name, caption=""):
        """A screenshot of the whole virtual desktop, as a PNG beside index.html."""
        file = os.path.join(self.out, f"{len(self.done) + 1:02d}-{name}.png")
        time.sleep(0.7)  # let the windows paint
        self.agent.must(f"screenshot desktop {quote(windows_path(file))}")
        self.shots.append({"file": os.path.basename(file), "caption": caption})

    def wire_since_last(self):
        if not os.path.exists(self.wire_log):
            return []
        with open(self.wire_log, "rb") as f:
            f.seek(self.wire_offset)
            data = f.read()
        self.wire_offset += len(data)
        return data.decode("utf-8", "replace").splitlines()

    def top_windows(self):
        return [words(line) for line in self.agent.must("windows")]

    def wait_window(self, title, timeout=60):
        """A visible top-level window of the host with this title; its handle."""
        found = self.agent.ask_until("windows", lambda lines: any(
            len(w) > 3 and w[2] == title and w[3] == "visible" for w in map(words, lines)), timeout)
        return next(w[0] for w in map(words, found) if len(w) > 3 and w[2] == title and w[3] == "visible")

    def wait_idle(self, timeout=60):
        """The host's thread answers again: the command it ran has returned."""
        self.agent.ask_until("ping", timeout=timeout)

    def menu_entry(self, menu_position, submenu_text, entry_text):
        """The command identifier of an entry of a submenu of a menu-bar pop-up."""
        lines = [words(line) for line in self.agent.must(f"menu-popup {self.main} {menu_position}")]
        inside = False
        for w in lines:
            if len(w) < 5:
                continue
            depth, text = w[0], w[4]
            if depth == "0":
                inside = text.replace("&", "") == submenu_text
            elif inside and depth == "1" and text.replace("&", "") == entry_text:
                return int(w[2]), lines
        raise TourError(f"no entry '{entry_text}' under '{submenu_text}' in menu {menu_position}: {lines}")

    def keys(self, *names):
        """Keys typed on the tour's own display (the virtual desktop passes them to the foreground
        window), for what only a real user's input shows, such as an open menu-bar menu."""
        if not os.environ.get("DISPLAY"):
            return False
        return subprocess.run(["xdotool", "key", "--delay", "150", *names], stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL).returncode == 0

    def open_menu_with_keys(self, keys, item_text):
        """Opens a menu of the main window with the keyboard; true when a menu holding the item shows."""
        if not self.keys(keys):
            return False
        try:
            self.agent.ask_until("popup", lambda lines: any(item_text in line for line in lines), 5)
            return True
        except TourError:
            self.keys("Escape")
            return False

    def tree_has(self, label):
        return lambda lines: any(len(w) > 4 and w[4] == label for w in map(words, lines))

    def run(self, short):
        self.done = []
        for title, is_short, fn in STEPS:
            if short and not is_short:
                continue
            print(f"tour: {title}", flush=True)
            self.current = title
            self.shots = []
            notice = fn(self)
            self.done.append({"title": title, "notice": notice, "shots": self.shots,
                              "wire": self.wire_since_last()})
        return self.done


ACCOUNT = "Velor (anna)"
MARKED_FOLDER = "Inbox/Projects/Sales"
MARK_ALL_READ = 103  # the context menu's command, as Velhook numbers it


@step("Outlook Express starts with the extensions: the welcome dialog", short=True)
def welcome(tour):
    dialog = tour.wait_window("Velor Outlook Express Extensions", timeout=120)
    lists = [w[0] for w in map(words, tour.agent.must(f"children {dialog}")) if len(w) > 3 and w[3] == "SysListView32"]
    rows = [words(line) for line in tour.agent.must(f"list {lists[0]}")[2:]] if lists else []
    listed = [w[4] for w in rows if len(w) > 4]
    tour.shot("welcome", "The first start: Velhook offers the IMAP accounts of the Velor server.")
    tour.agent.must(f"click {dialog} 1")
    tour.agent.ask_until("windows", lambda lines: not any(
        len(w) > 3 and w[2] == "Velor Outlook Express Extensions" and w[3] == "visible" for w in map(words, lines)), 20)
    return ("Shown once, when the main window first appears: every IMAP account is ticked; OK marks them "
            "with \"Velor Ext\" and gives them the extension's picture in the folder tree. "
            f"Accounts listed: {', '.join(listed) or 'see the picture'}.")


@step("The main window, the folder tree from the server and the extension's Tools menu")
def main_window(tour):
    tour.agent.ask_until("tree", tour.tree_has("Sales"), 60)
    tour.agent.must(f"tree-select {quote(ACCOUNT + '/Inbox')}")
    rules_id, lines = tour.menu_entry(3, "Velor Outlook Express Rules", ACCOUNT)
    items = [w[4].replace("&", "").split("\t")[0] for w in lines if len(w) > 4 and w[0] == "0" and w[4]]
    tour.shot("main", "Outlook Express with the Velor accounts and their folders.")
    if tour.open_menu_with_keys("alt+t", "Velor Outlook Express Rules"):
        tour.shot("tools-menu", "The Tools menu with the extension's two submenus.")
        tour.keys("Escape", "Escape")
    return ("The Tools menu gains \"Velor Outlook Express Rules\" and \"Velor Address book synchronization\" "
            f"with one entry per enabled account. Tools holds: {'; '.join(items)}.")


@step("Mark All Read on Inbox/Projects/Sales from the folder's context menu", short=True)
def mark_all_read(tour):
    tour.agent.ask_until("tree", tour.tree_has("Sales"), 60)
    tour.agent.must(f"tree-context {quote(ACCOUNT + '/' + MARKED_FOLDER)}")
    popup = tour.agent.ask_until("popup", timeout=15)
    entries = [words(line)[-1] for line in popup if words(line)]
    tour.shot("context-menu", "The context menu of Inbox/Projects/Sales with the extension's commands.")
    tour.agent.must(f"popup-pick {MARK_ALL_READ}")
    # The command runs on the host's thread, which answers the agent again once it has returned.
    time.sleep(1)
    tour.wait_idle(60)
    return ("The folder's context menu gains \"Mark All Read\", \"Mark All Unread\" and \"Remove Deleted "
            "Messages\" (and the account's switch and rules). Picking Mark All Read has Velcore select the "
            "folder and store \\Seen on every message: see the server's lines below. Menu entries: "
            + ", ".join(e.replace("&", "") for e in entries if e and e != "-"))


@step("The mail rules window with the rules stored on the server")
def mail_rules(tour):
    rules_id, _ = tour.menu_entry(3, "Velor Outlook Express Rules", ACCOUNT)
    tour.agent.must(f"command {tour.main} {rules_id}")
    window = tour.wait_window("Velor MailServer Rules", 60)
    tour.shot("rules", "The rules of anna's Sieve script, one row per rule.")
    tour.agent.must(f"close {window}")
    tour.agent.ask_until("windows", lambda lines: not any(
        len(w) > 3 and w[2] == "Velor MailServer Rules" and w[3] == "visible" for w in map(words, lines)), 20)
    return ("Tools > Velor Outlook Express Rules > the account opens the rules editor: Velcore fetches the "
            "script with X-GETSCRIPT and shows one row per rule with its check box and description. Closed "
            "without changes, so nothing is stored.")


@step("Synchronize Address Book: the synchronisation tool started for the account")
def synchronize(tour):
    sync_id, _ = tour.menu_entry(3, "Velor Address book synchronization", ACCOUNT)
    tour.agent.must(f"command {tour.main} {sync_id}")
    time.sleep(8)  # Contave is a process of its own; give its window time to show
    tour.shot("contave", "Contave, started by the extension with the account's host, user and password.")
    return ("Tools > Velor Address book synchronization > the account starts Contave.exe (found through "
            "HKLM\\Software\\Velor\\Contave, which its registration by Setup wrote) with /host, /user and "
            "/pass of the account. Its Synchronization page pairs address-book folders with the server's "
            "contact folders.")


SHARED_FOLDER = "Inbox/Projects/Website"
SHARING_AND_SECURITY = 102  # the context menu's command, as Velhook numbers it
IMAP_FOLDERS = 40316        # Outlook Express's Tools > IMAP Folders
IMAP_FOLDERS_TITLE = "Show/Hide IMAP Folders, Sharing and Mapping Settings"


def child_with_id(tour, window, control_id):
    for w in map(words, tour.agent.must(f"children {window}")):
        if len(w) > 2 and w[2] == str(control_id):
            return w[0]
    return None


@step("Sharing and Security: Inbox/Projects/Website shared with the group sales for reading")
def sharing(tour):
    tour.agent.must(f"tree-context {quote(ACCOUNT + '/' + SHARED_FOLDER)}")
    tour.agent.ask_until("popup", timeout=15)
    tour.agent.must(f"popup-pick {SHARING_AND_SECURITY}")
    sheet = tour.wait_window("Website Properties", 60)
    page = tour.agent.must(f"sheet-page {sheet}")[0]
    tour.agent.must(f"click {page} 220")  # Add...
    add = None
    deadline = time.time() + 20
    while add is None and time.time() < deadline:
        for w in map(words, tour.agent.must("windows")):
            if len(w) > 3 and w[1] == "#32770" and w[3] == "visible" and w[0] != sheet and child_with_id(tour, w[0], 231):
                add = w[0]
        time.sleep(0.2)
    if add is None:
        raise TourError("the sharing page's Add dialog did not open")
    tour.agent.must(f"combo-select {add} 256 1")  # a group
    tour.agent.must(f"set-text {add} 231 sales")
    tour.agent.must(f"click {add} 1")
    time.sleep(1)
    tour.shot("sharing-page", "The folder's properties open on Velcore's Sharing and Security page; sales added.")
    tour.agent.must(f"click {sheet} 1")  # OK sends the change
    tour.wait_idle(60)
    return ("\"Sharing and Security...\" in a folder's context menu opens Outlook Express's folder properties "
            "with Velcore's page added and shown first. The group sales was added with the rights a new entry "
            "starts with (lookup and read); OK stored it with SETACL: see the server's lines below.")


@step("IMAP Folders: the Shared and Mappings tabs")
def imap_folders(tour):
    tour.agent.must(f"command {tour.main} {IMAP_FOLDERS}")
    dialog = tour.wait_window(IMAP_FOLDERS_TITLE, 60)
    tabs = child_with_id(tour, dialog, 1016)
    names = [words(line)[-1] for line in tour.agent.must(f"tabs {tabs}")[1:]]
    shared, mappings = names.index("Shared"), names.index("Mappings")
    tour.agent.must(f"tab {tabs} {shared}")
    time.sleep(2)
    tour.wait_idle(60)
    tour.shot("imap-folders-shared", "The Shared tab: each folder with its permissions; shared folders carry the overlay.")
    tour.agent.must(f"tab {tabs} {mappings}")
    time.sleep(2)
    tour.wait_idle(60)
    tour.shot("imap-folders-mappings", "The Mappings tab: the account's folder mappings, to add and remove.")
    tour.agent.must(f"close {dialog}")
    return ("Tools > IMAP Folders gains two tabs for accounts with the extension: \"Shared\" lists the folders "
            "with the permissions read by GETACL (a double click opens the folder's sharing page) and "
            "\"Mappings\" lists the server's folder mappings, with Add Mapping and Remove Mapping.")


# ---- report ----

def unescape(text):
    return re.sub(r"\\(x[0-9A-Fa-f]{2}|.)", lambda m: chr(int(m.group(1)[1:], 16)) if m.group(1)[0] == "x"
                  else {"r": "\r", "n": "\n", "t": "\t"}.get(m.group(1), m.group(1)), text)


def conversation(wire, limit=60, replies=6):
    """The wire-log records of a step as client (C:) and server (S:) lines, passwords hidden, long
    runs of server lines (folder lists) shortened."""
    out = []
    run = 0
    for record in wire:
        parts = record.split(" ", 2)
        if len(parts) < 2:
            continue
        conn, kind = parts[0], parts[1]
        data = parts[2] if len(parts) > 2 else ""
        if kind in ("open", "close", "drop"):
            out.append(f"[{conn}] {kind} {data}".rstrip())
            run = 0
            continue
        if data.startswith("ldap") or kind not in ("recv", "send"):
            continue
        for line in unescape(data).splitlines():
            if not line.strip():
                continue
            if kind == "recv":
                line = re.sub(r"^(\S+ LOGIN \S+) \S+", r"\1 ********", line, flags=re.I)
                run = 0
            else:
                run += 1
                if run > replies and not re.match(r"^\S+ (OK|NO|BAD)\b", line) or run == replies and line.startswith("*"):
                    if run == replies:
                        out.append(f"[{conn}] S: ...")
                    continue
            out.append(f"[{conn}] {'C' if kind == 'recv' else 'S'}: {line}")
    if len(out) > limit:
        out = out[:limit] + [f"... {len(out) - limit} more lines in wire.log"]
    return out


SEEN = "\\Seen"


def folder_flags(state):
    result = {}
    for user in state.get("users", []):
        for folder in user.get("folders", []):
            messages = folder.get("messages", [])
            if isinstance(messages, int):
                messages = [{"flags": []}] * messages
            result[(user["name"], folder["name"])] = [sorted(m.get("flags", [])) for m in messages]
    return result


def state_changes(seed, state):
    before, after = folder_flags(seed), folder_flags(state)
    rows = []
    for key in sorted(set(before) | set(after)):
        # The server makes an empty INBOX for a user the seed gives none: not a change.
        if (before.get(key) or []) != (after.get(key) or []):
            def unseen(ms):
                if ms is None:
                    return "absent"
                return f"{sum(1 for m in ms if SEEN not in m)} of {len(ms)} unread"
            rows.append((key[0], key[1], unseen(before.get(key)), unseen(after.get(key))))
    scripts = {u["name"]: (u.get("script") or {}).get("text") for u in seed.get("users", [])}
    for user in state.get("users", []):
        if (user.get("script") or {}).get("text") != scripts.get(user["name"]):
            rows.append((user["name"], "Sieve script", "as seeded", "changed"))
    return rows


def report(out, seed_file, state_file):
    steps = json.load(open(os.path.join(out, "steps.json"), encoding="utf-8"))
    changes = None
    if os.path.exists(state_file):
        changes = state_changes(json.load(open(seed_file, encoding="utf-8")), json.load(open(state_file, encoding="utf-8")))
    e = html.escape
    parts = ["<!doctype html><meta charset='utf-8'><title>Velor Outlook Express Extensions: the tour</title>",
             "<style>body{font-family:sans-serif;max-width:1160px;margin:2em auto}img{border:1px solid #888;"
             "max-width:100%}pre{background:#f4f4f4;padding:.6em;font-size:85%;overflow-x:auto}"
             "table{border-collapse:collapse}td,th{border:1px solid #bbb;padding:.2em .6em}</style>",
             "<h1>Velor Outlook Express Extensions: the tour</h1>",
             "<p>The product installed with <code>VelorSetup</code> (silent) in a fresh Wine prefix, Outlook "
             "Express's stand-in started through the shell so that Velhook attaches, and the mail-server "
             "stand-in with its demo data. Each step was driven through the host's test agent; the pictures "
             "are of the Wine virtual desktop.</p>"]
    for i, s in enumerate(steps, 1):
        parts.append(f"<h2>{i}. {e(s['title'])}</h2>")
        if s.get("error"):
            parts.append(f"<p><b>This step failed:</b> {e(s['error'])}</p>")
        parts.append(f"<p>{e(s.get('notice') or '')}</p>")
        for shot in s.get("shots", []):
            parts.append(f"<figure><img src='{e(shot['file'])}' alt='{e(shot['caption'])}'>"
                         f"<figcaption>{e(shot['caption'])}</figcaption></figure>")
        lines = conversation(s.get("wire", []))
        if lines:
            parts.append("<p>On the wire (mail-server stand-in's log):</p><pre>" + e("\n".join(lines)) + "</pre>")
        else:
            parts.append("<p>Nothing went to the mail server in this step.</p>")
    parts.append("<h2>What changed on the server</h2>")
    if changes is None:
        parts.append("<p>The server's final state was not written.</p>")
    elif not changes:
        parts.append("<p>Nothing.</p>")
    else:
        parts.append("<table><tr><th>user</th><th>folder</th><th>before</th><th>after</th></tr>" + "".join(
            f"<tr><td>{e(u)}</td><td>{e(f)}</td><td>{e(a)}</td><td>{e(b)}</td></tr>" for u, f, a, b in changes)
            + "</table>")
    with open(os.path.join(out, "index.html"), "w", encoding="utf-8") as f:
        f.write("\n".join(parts) + "\n")
    print(f"tour: wrote {os.path.join(out, 'index.html')}")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("action", choices=["run", "report", "wait", "quit"])
    parser.add_argument("--agent-file")
    parser.add_argument("--out")
    parser.add_argument("--wire-log")
    parser.add_argument("--seed")
    parser.add_argument("--state")
    parser.add_argument("--short", action="store_true")
    a = parser.parse_args()
    if a.action == "report":
        report(a.out, a.seed, a.state)
        return 0
    # A host that has already ended leaves its port file behind: quitting does not wait for it.
    try:
        agent = Agent(a.agent_file, timeout=5 if a.action == "quit" else 180)
    except TourError as error:
        print(f"tour: {error}")
        return 0 if a.action == "quit" else 1
    if a.action == "quit":
        agent.ask(f"close {agent.must('main')[0]}")
        return 0
    if a.action == "wait":
        try:
            while agent.ask("ping")[0]:
                time.sleep(1)
        except (OSError, TourError):
            pass
        return 0
    tour = Tour(agent, a.out, a.wire_log)
    status = 0
    try:
        tour.run(a.short)
    except (TourError, OSError, StopIteration) as error:
        print(f"FAIL: tour step {len(tour.done) + 1}: {error}", flush=True)
        tour.done.append({"title": getattr(tour, "current", "start"), "error": str(error), "shots": tour.shots,
                          "wire": tour.wire_since_last()})
        status = 1
    with open(os.path.join(a.out, "steps.json"), "w", encoding="utf-8") as f:
        json.dump(tour.done, f, ensure_ascii=False, indent=1)
    return status


if __name__ == "__main__":
    sys.exit(main())
