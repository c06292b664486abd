#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# zkdevcli search --xlsx against a simulated fleet inside private network namespaces: the workbook,
# read back with openpyxl, has the sheet EXPORT, the twelve columns and one row per device in address
# order, ports and P2P types as numbers, matching the listing. Without any device no file is written.
#   search-xlsx.sh ZKDEVCLI ZKDEVSIM
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
cli=$1
export ZKDEVSIM=$2
work=$(mktemp -d /tmp/zk-search-xlsx.XXXXXX)
trap 'rm -rf "$work"' EXIT

"$root/scripts/netns-run" --sim "--count 20 --seed 5" -- \
    timeout 60 "$cli" search --seconds 3 --xlsx "$work/out.xlsx" >"$work/devices.txt"

status=0
"$root/scripts/netns-run" -- timeout 60 "$cli" search --seconds 1 --xlsx "$work/none.xlsx" \
    >/dev/null 2>"$work/none.err" || status=$?
if [[ $status -ne 1 || -e "$work/none.xlsx" ]]; then
    echo "without devices: exit $status, expected 1 and no file" >&2
    exit 1
fi
grep -q "no workbook written" "$work/none.err"

/usr/bin/python3 - "$work" <<'CHECK'
import sys, openpyxl
work = sys.argv[1]
book = openpyxl.load_workbook(f"{work}/out.xlsx")
assert book.sheetnames == ["EXPORT"], book.sheetnames
rows = list(book["EXPORT"].iter_rows(values_only=True))
assert rows[0] == ("IPADDR", "NETMASK", "COMPORT", "HTTPPORT", "RTSPPORT", "MAC", "TITLE", "VERSION", "SN",
                   "P2PTYPE", "P2PID", "UUID"), rows[0]
devices = rows[1:]
assert len(devices) == 20, f"expected 20 rows, got {len(devices)}"
listed = [line.split("\t") for line in open(f"{work}/devices.txt").read().splitlines()]
assert [(d[0], d[5], d[8]) for d in devices] == [(l[0], l[1], l[2]) for l in listed], "same devices, same order"
for i, d in enumerate(devices):
    number = i + 1
    ip, mask, command, web, rtsp, mac, title, version, sn, p2p_type, p2p_id, uuid = d
    assert ip == f"192.168.1.{9 + number}" and mask == "255.255.255.0", d
    assert (command, web, rtsp) == (34567, 80, 554) and all(type(v) is int for v in (command, web, rtsp)), d
    assert sn == f"ZKSIM{number:06d}" and mac == f"02:5A:4B:00:00:{number:02X}", d
    assert title in (f"Camera {number}", f"Recorder {number}"), d
    assert version is None, "the version comes from the device's session"
    assert type(p2p_type) is int and p2p_type == {1: 1, 2: 9, 3: 8, 0: 0}[number % 4], d
    assert (p2p_id is None) == (number % 4 == 0), d
    assert uuid and len(uuid) == 24, d
print("ok: 20 devices in the workbook")
CHECK
