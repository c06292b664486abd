#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The read-modify-write commands against 20 simulated devices inside private network namespaces;
# the 19th refuses every set request.
# - tv-system ntsc twice: a 504 read then a 524 set equal to the read answer but for TVSystem; the
#   second run reports not-changed and sends no set; the refusing device fails both times;
# - onvif-allnet and stream-protocol likewise, their values in the simulator's configuration;
# - night-demo: NightMode and the capture with the forced day/night field, then about five seconds
#   later DayMode and the capture as it was;
# - get-config prints each device's answer.
#   config-fleet.sh ZKDEVCLI ZKDEVSIM
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
cli=$1
export ZKDEVSIM=$2
work=$(mktemp -d /tmp/zk-config-fleet.XXXXXX)
trap '[[ -n "${KEEP:-}" ]] || rm -rf "$work"' EXIT

# Each command's output, error text, exit status and times land in $work/<name>.* (fleet-run.sh).
cat >"$work/inside.sh" <<INSIDE
set -u
export ZK_WORK="$work" ZK_CLI="$cli"
. "$here/fleet-run.sh"
fast="--search-seconds 1 --answer-seconds 10"
run before get-config --code 504 --all --json \$fast
run tv1 tv-system ntsc --all --yes --json \$fast
run tv2 tv-system ntsc --all --yes --json \$fast
run onvif1 onvif-allnet on --all --yes --json \$fast
run onvif2 onvif-allnet on --all --yes --json \$fast
run unasked onvif-allnet off --all \$fast
run stream stream-protocol dh on --all --json \$fast
run night night-demo --select ZKSIM000001,ZKSIM000019 --json \$fast
run badcode get-config --code abc --all \$fast
INSIDE

"$root/scripts/netns-run" --sim "--count 20 --seed 7 --jitter-ms 0 --bad session-refuse-sets:18
    --record $work/record.jsonl --config-out $work/config.jsonl" -- bash "$work/inside.sh"

/usr/bin/python3 - "$work" <<'CHECK'
import json, sys
import xml.etree.ElementTree as ET
work = sys.argv[1]
def status(name): return int(open(f"{work}/{name}.status").read())
def err(name): return open(f"{work}/{name}.err").read()
def by_serial(name): return {d["SerialNumber"]: d for d in json.load(open(f"{work}/{name}.out"))}
serials = [f"ZKSIM{i:06d}" for i in range(1, 21)]
refusing = "ZKSIM000019"
record = [json.loads(line) for line in open(f"{work}/record.jsonl")]
config = {c["SerialNumber"]: c["Values"] for c in map(json.loads, open(f"{work}/config.jsonl"))}
def requests(device, operation, code):
    return [e for e in record if e["protocol"] == "session" and e["message"] == "request" and e["device"] == device
            and e.get("operation") == operation and e.get("code") == code]
def shape(text):
    # Every element with its attributes, in document order: what a device keeps of a document.
    return [(e.tag, dict(e.attrib)) for e in ET.fromstring(text.strip("\0").strip()).iter()]
def check_results(name, expected_failed, others):
    rows = by_serial(name)
    assert sorted(rows) == serials, (name, sorted(rows))
    for serial, row in rows.items():
        want = "failed" if serial in expected_failed else others
        assert row["Result"] == want, (name, serial, row)

# get-config prints the answer of every device.
before = by_serial("before")
assert status("before") == 0 and all(before[s]["Result"] == "ok" for s in serials), err("before")
assert status("badcode") == 2, err("badcode")

# The TV system: one read and one set per device; the set is the read answer with TVSystem changed.
assert status("tv1") == 1 and "1 of 20 devices failed" in err("tv1"), err("tv1")
check_results("tv1", {refusing}, "ok")
for serial in serials:
    reads = requests(serial, "GetDVRConfig", 504)
    sets = requests(serial, "SetDVRConfig", 524)
    assert len(reads) >= 2, (serial, reads)
    want = shape(before[serial]["Answer"])
    want[1][1]["TVSystem"] = "0"
    assert shape(sets[0]["payload"]) == want, (serial, sets[0]["payload"])
    if serial != refusing:
        assert config[serial]["MediaConfig/Video/Capture@TVSystem"] == "0", serial
# The second run changes nothing: the refusing device still has PAL and is tried again.
assert status("tv2") == 1, err("tv2")
check_results("tv2", {refusing}, "not-changed")
# Only the first run sent a set (ZKSIM000001 gets two more from the night demonstration; the
# refusing device is tried by both runs and gets the demonstration's two as well, since its restore
# follows every row the demonstration tried to force).
for serial in serials[1:]:
    assert len(requests(serial, "SetDVRConfig", 524)) == (4 if serial == refusing else 1), (serial, len(requests(serial, "SetDVRConfig", 524)))

# ONVIF all-network, read 305 and set 325.
assert status("onvif1") == 1, err("onvif1")
check_results("onvif1", {refusing}, "ok")
check_results("onvif2", {refusing}, "not-changed")
assert status("unasked") == 2, err("unasked")
for serial in serials:
    sets = requests(serial, "SetDVRConfig", 325)
    assert len(sets) == (2 if serial == refusing else 1), (serial, len(sets))
    assert 'ALLNET="1"' in sets[0]["payload"].upper(), sets[0]["payload"]
    if serial != refusing:
        assert config[serial]["NetworkConfig/LANConfig@ALLNET"] == "1", serial

# A stream protocol: read 600, set 620; the set's own answer decides.
assert status("stream") == 1, err("stream")
check_results("stream", {refusing}, "ok")
for serial in serials:
    assert len(requests(serial, "SetDVRConfig", 620)) == 1, serial
    if serial != refusing:
        assert config[serial]["MediaStreamConfig/StreamAccess@enable_dh"] == "1", serial

# The night demonstration: NightMode, then about five seconds later DayMode and the capture back.
night = requests("ZKSIM000001", "SystemControl", 1046)
assert [("NightMode" in e["payload"], "DayMode" in e["payload"]) for e in night] == [(True, False), (False, True)], night
gap = night[1]["time"] - night[0]["time"]
assert 4.0 <= gap <= 7.0, gap
captures = [e for e in requests("ZKSIM000001", "SetDVRConfig", 524) if e["time"] >= night[0]["time"] - 1]
assert len(captures) == 2, captures
forced, restored = shape(captures[0]["payload"]), shape(captures[1]["payload"])
assert forced[1][1]["IrcutMode"] == "3", forced
original = shape(before["ZKSIM000001"]["Answer"])
original[1][1]["TVSystem"] = "0"
assert restored == original, (restored, original)
assert config["ZKSIM000001"]["MediaConfig/Video/Capture@IrcutMode"] == before["ZKSIM000001"]["Answer"].split(
    'IrcutMode="')[1].split('"')[0]
assert status("night") == 1 and by_serial("night")[refusing]["Result"] == "failed", err("night")
print("config fleet: all checks passed")
CHECK
