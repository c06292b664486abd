#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# zkdevcli search against a simulated fleet inside private network namespaces: 52 devices, two of
# which answer in ways the tool must drop, so the JSON lists exactly the other 50 with every field
# of their replies; the tab-separated form has one line per device; an unknown adapter is bad usage.
#   search-fleet.sh ZKDEVCLI ZKDEVSIM
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
cli=$1
export ZKDEVSIM=$2
work=$(mktemp -d /tmp/zk-search-fleet.XXXXXX)
trap 'rm -rf "$work"' EXIT

cat >"$work/inside.sh" <<INSIDE
set -e
timeout 60 "$cli" search --json --seconds 3 >"$work/devices.json"
timeout 60 "$cli" search --seconds 2 >"$work/devices.txt"
status=0
timeout 60 "$cli" search --adapter 10.9.9.9 2>"$work/adapter.err" || status=\$?
echo \$status >"$work/adapter.status"
INSIDE

"$root/scripts/netns-run" --sim "--count 52 --seed 3 --bad ipc-only:50 --bad no-lanconfig:51" -- bash "$work/inside.sh"

/usr/bin/python3 - "$work" <<'CHECK'
import json, sys
work = sys.argv[1]
devices = json.load(open(f"{work}/devices.json"))
assert len(devices) == 50, f"expected 50 devices, got {len(devices)}"
keys = {"SerialNumber", "PlatformId", "P2pType", "P2pId", "DeviceType", "Username", "Password", "UserGroup",
        "StreamAuth", "RtpOverRtsp", "VideoPort", "PtzPort", "WebPort", "MacAddress", "Dhcp", "AllNet",
        "IpAddress", "Netmask", "Gateway", "Dns1", "Dns2", "RunTime", "P2pStatus", "LocalIp", "Osd", "Version",
        "AfVersion", "Uuid", "OemSn", "LastSeenTick", "UserConfigPresent"}
for device in devices:
    missing = keys - device.keys()
    assert not missing, f"missing keys {missing}"
    assert "RawReply" not in device, "RawReply only with --raw"
expected = {f"ZKSIM{n:06d}" for n in range(1, 51)}
assert {d["SerialNumber"] for d in devices} == expected, "the two bad devices must be dropped"
addresses = [d["IpAddress"] for d in devices]
assert addresses == [f"192.168.1.{10 + i}" for i in range(50)], "ordered by address"
for d in devices:
    assert d["PtzPort"] == 34567 and d["WebPort"] == 80 and d["VideoPort"] == 554, d
    assert d["Version"] == "V5.3.2.20240815" and d["Netmask"] == "255.255.255.0", d
    assert d["LocalIp"] == "192.168.1.253", f"heard on the adapter: {d['LocalIp']}"
    assert d["UserConfigPresent"] == 1 and d["Username"] == "admin", d
    assert d["Osd"] and d["Uuid"] and d["MacAddress"].startswith("02:5A:4B:"), d
lines = open(f"{work}/devices.txt").read().splitlines()
assert len(lines) == 50, f"expected 50 lines, got {len(lines)}"
fields = lines[0].split("\t")
assert fields[0] == "192.168.1.10" and fields[2] == "ZKSIM000001" and fields[5] == "192.168.1.253", fields
assert open(f"{work}/adapter.status").read().strip() == "2"
assert "no adapter has the address 10.9.9.9" in open(f"{work}/adapter.err").read()
print("ok: 50 devices with every field")
CHECK
