#!/usr/bin/env python3
# expected-state.py STATE: what the sharing window tests left on the mail-server stand-in, as it
# wrote its state when stopped. Only the page's OK and Apply change ACLs; Cancel, a refused
# write and the folders the tests only look at keep theirs.
import json
import sys

state = json.load(open(sys.argv[1], encoding="utf-8"))
anna = next(u for u in state["users"] if u["name"] == "anna")
acls = {f["name"]: f.get("acl") for f in anna["folders"]}
expected = {
    # Lookup taken from bob, staff removed, eve added (Apply, then OK with nothing more to send).
    "INBOX/Team": [{"id": "anna", "rights": "lrswipcda"}, {"id": "bob", "rights": "r"}, {"id": "eve", "rights": "lr"}],
    # The write was refused at the unknown user: what went before it stands, nothing else changed.
    "INBOX/Refusing": [{"id": "anna", "rights": "lrswipcda"}, {"id": "bob", "rights": "lr"}],
    # Only looked at, and cancelled.
    "INBOX/Quiet": [{"id": "anna", "rights": "lrswipcda"}, {"id": "bob", "rights": "lr"}, {"id": "[staff]", "rights": "l"}],
}
status = 0
for folder, acl in expected.items():
    got = acls.get(folder)
    if got == acl:
        print(f"ok: the state keeps the ACL of {folder}")
    else:
        print(f"FAIL: the ACL of {folder} in the state:\n  got    {got}\n  wanted {acl}")
        status = 1
sys.exit(status)
