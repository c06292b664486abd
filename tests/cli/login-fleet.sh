#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# zkdevcli login against a simulated fleet inside private network namespaces: 50 devices log in and
# report their file-system version; a 51st device whose reply carries no account and whose password
# is not the default login user's shows the wrong-password text. Given that password as the default
# login user, all 51 are online (the others keep logging in with their own accounts). The
# simulator's record shows every online device's connect sequence in order, with the zone value of
# the PC's time zone (UTC+5:30 gives 1020).
#   login-fleet.sh ZKDEVCLI ZKDEVSIM
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
cli=$1
export ZKDEVSIM=$2
work=$(mktemp -d /tmp/zk-login-fleet.XXXXXX)
trap 'rm -rf "$work"' EXIT

cat >"$work/fleet.json" <<'FLEET'
{ "devices": [ { "IpAddress": "192.168.1.60", "Password": "other-pw", "UserConfigPresent": false } ] }
FLEET

cat >"$work/inside.sh" <<INSIDE
set -e
status=0
TZ=Asia/Kolkata timeout 60 "$cli" login --json >"$work/default.json" 2>"$work/default.err" || status=\$?
echo \$status >"$work/default.status"
status=0
timeout 60 "$cli" login --user admin --password other-pw >"$work/given.txt" 2>"$work/given.err" || status=\$?
echo \$status >"$work/given.status"
INSIDE

"$root/scripts/netns-run" --sim "--count 50 --seed 3 --fleet $work/fleet.json --record $work/record.jsonl" -- \
    bash "$work/inside.sh"

/usr/bin/python3 - "$work" <<'CHECK'
import json, sys
work = sys.argv[1]
devices = json.load(open(f"{work}/default.json"))
assert len(devices) == 51, f"expected 51 devices, got {len(devices)}"
for d in devices:
    assert set(d) == {"SerialNumber", "IpAddress", "LoginHandle", "Online", "Status", "FileSystemVersion"}, d
online = [d for d in devices if d["Online"]]
assert len(online) == 50, f"expected 50 online, got {len(online)}"
for d in online:
    assert d["LoginHandle"] > 0 and d["Status"] == "Connected", d
    assert d["FileSystemVersion"] == "V5.3.2.20240815", d
other = [d for d in devices if not d["Online"]][0]
assert other["IpAddress"] == "192.168.1.60", other
assert other["Status"] == "Wrong user name or password", other
assert other["FileSystemVersion"] == "", other
assert open(f"{work}/default.status").read().strip() == "1", "a device not online fails the command"
assert "1 of 51 devices are not online" in open(f"{work}/default.err").read()

lines = open(f"{work}/given.txt").read().splitlines()
assert len(lines) == 51, lines
assert all(line.split("\t")[3] == "online" for line in lines), lines
assert open(f"{work}/given.status").read().strip() == "0", open(f"{work}/given.err").read()

# The first run's connect sequences, device by device, in the order the devices received them.
sequences = {}
first_run_logins = {}
for line in open(f"{work}/record.jsonl"):
    entry = json.loads(line)
    if entry["protocol"] != "session":
        continue
    device = entry["device"]
    if entry["message"] == "login":
        first_run_logins.setdefault(device, entry)
        continue
    if entry["message"] == "request" and len(sequences.get(device, [])) < 5:
        sequences.setdefault(device, []).append(entry)
assert len(sequences) == 51, f"{len(sequences)} devices received requests"
for device, requests in sequences.items():
    names = [(r["operation"], r["code"]) for r in requests]
    assert names == [("SET_TimeManualConfig", 0), ("SystemControl", 1012), ("SystemControl", 1020),
                     ("SystemControl", 1019), ("SystemControl", 1095)], (device, names)
    assert requests[1]["payload"] == "RESPONSE_PARAM", requests[1]
    if device != "ZKSIM000051":
        assert requests[0]["payload"].endswith(" zone 1020"), requests[0]["payload"]
refused = first_run_logins["ZKSIM000051"]
assert not refused["accepted"] and refused["reason"] == "wrong user or password", refused
print("ok: 50 online with their version, the other password shows its text, 51 with it given")
CHECK
