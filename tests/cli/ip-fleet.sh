#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The address commands and a session batch against a simulated fleet inside private network
# namespaces: 8 devices (the 8th with another password), two extra addresses occupied.
# - net-info shows the namespace's own address, mask, gateway and resolvers (the loopback one skipped);
# - ip-range gives three devices consecutive addresses from the proposed start in the order written,
#   verified by a second search, remembers the start, and its datagram is the exact set-network text;
# - a range that reaches this computer's address passes over it, the last device gets "network
#   exhausted" and nothing; a device with another password is sent to but not moved, and the
#   verification says so;
# - ip-dhcp, ip-set (refused for another network, accepted otherwise), ip-free (asks without --yes,
#   occupied addresses passed over, one device asks nothing), ip-check;
# - batch-set: "Set OK" for every online device and exactly one request per device in the record.
#   ip-fleet.sh ZKDEVCLI ZKDEVSIM
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
cli=$1
export ZKDEVSIM=$2
work=$(mktemp -d /tmp/zk-ip-fleet.XXXXXX)
trap 'rm -rf "$work"' EXIT

cat >"$work/fleet.json" <<'FLEET'
{ "devices": [ { "IpAddress": "192.168.1.60", "Password": "other-pw", "UserConfigPresent": false } ] }
FLEET

# Each command's output, error text, exit status and times land in $work/<name>.* (fleet-run.sh).
cat >"$work/inside.sh" <<INSIDE
set -u
export ZK_WORK="$work" ZK_CLI="$cli"
. "$here/fleet-run.sh"
fast="--search-seconds 1"
run netinfo net-info --json
run range ip-range --select ZKSIM000002,ZKSIM000001,02:5a:4b:00:00:03 --verify-seconds 2 --json \$fast
run exhausted ip-range --select ZKSIM000004,ZKSIM000005,ZKSIM000006 --from 192.168.1.252 --verify-seconds 2 --json \$fast
run other ip-range --select 192.168.1.60 --from 192.168.1.180 --verify-seconds 2 --json \$fast
run dhcp ip-dhcp --select ZKSIM000007 --verify-seconds 2 --json \$fast
run refused ip-set --select ZKSIM000001 --ip 10.0.0.5 --gateway 192.168.1.1 \$fast
run set ip-set --select ZKSIM000001 --ip 192.168.1.170 --verify-seconds 2 --json \$fast
run unasked ip-free --select ZKSIM000001,ZKSIM000002 \$fast
run free ip-free --select ZKSIM000001,ZKSIM000002 --yes --verify-seconds 2 --json \$fast
run freeone ip-free --select ZKSIM000003 --json \$fast
run checkbusy ip-check --from 192.168.1.2 --count 3
run checkfree ip-check --from 192.168.3.1 --count 254
run unknown ip-dhcp --select NOSUCHDEVICE \$fast
run batch batch-set --all --code 228 --xml '<MaintainConfig Enable="1" Hour="3"/>' --json \$fast
INSIDE

ZK_TOOL_GATEWAY=192.168.1.1 ZK_TOOL_DNS="127.0.0.53 192.168.1.1 9.9.9.9" \
    "$root/scripts/netns-run" --sim "--count 7 --seed 9 --jitter-ms 20 --fleet $work/fleet.json
        --occupy 192.168.1.2 --occupy 192.168.1.4 --record $work/record.jsonl" -- bash "$work/inside.sh"

/usr/bin/python3 - "$work" <<'CHECK'
import json, os, re, sys
work = sys.argv[1]
def status(name): return int(open(f"{work}/{name}.status").read())
def err(name): return open(f"{work}/{name}.err").read()
def out(name): return json.load(open(f"{work}/{name}.out"))
def by_serial(name): return {d["SerialNumber"]: d for d in out(name)}

assert status("netinfo") == 0, err("netinfo")
assert out("netinfo") == {"IpAddress": "192.168.1.253", "Netmask": "255.255.255.0", "Gateway": "192.168.1.1",
                          "Dns1": "192.168.1.1", "Dns2": "9.9.9.9"}, out("netinfo")

keys = {"SerialNumber", "MacAddress", "OldIpAddress", "IpAddress", "Netmask", "Gateway", "Dns1", "Dns2", "Dhcp",
        "Sent", "Reason", "Verified"}
assert status("range") == 0, err("range")
rows = out("range")
assert [r["SerialNumber"] for r in rows] == ["ZKSIM000002", "ZKSIM000001", "ZKSIM000003"], rows
assert [r["IpAddress"] for r in rows] == ["192.168.1.160", "192.168.1.161", "192.168.1.162"], rows
for r in rows:
    assert set(r) == keys and r["Sent"] and r["Verified"] and r["Reason"] == "", r
    assert (r["Netmask"], r["Gateway"], r["Dns1"], r["Dns2"], r["Dhcp"]) == \
        ("255.255.255.0", "192.168.1.1", "192.168.1.1", "9.9.9.9", False), r
settings = open(f"{work}/home/Documents/zk_cfg.xml", encoding="gb2312", errors="replace").read()
# Every range remembers its start, as the window does: the last one was --from 192.168.1.180.
assert '<DefaultFromIP ip="192.168.1.180"/>' in settings, settings

rows = by_serial("exhausted")
assert status("exhausted") == 1, err("exhausted")
assert rows["ZKSIM000004"]["IpAddress"] == "192.168.1.252" and rows["ZKSIM000004"]["Verified"], rows
assert rows["ZKSIM000005"]["IpAddress"] == "192.168.1.254", "this computer's .253 is passed over"
exhausted = rows["ZKSIM000006"]
assert not exhausted["Sent"] and exhausted["Reason"] == "network exhausted" and not exhausted["Verified"], exhausted
assert "1 of 3 devices failed" in err("exhausted")

other = out("other")[0]
assert status("other") == 1 and other["Sent"] and not other["Verified"], other
assert other["Reason"] == "answered with other settings", other

dhcp = out("dhcp")[0]
assert status("dhcp") == 0 and dhcp["Dhcp"] and dhcp["Verified"], dhcp

assert status("refused") == 2 and "not in the gateway's network" in err("refused"), err("refused")
one = out("set")[0]
assert status("set") == 0 and one["IpAddress"] == "192.168.1.170" and one["Gateway"] == "192.168.1.1", one
assert one["OldIpAddress"] == "192.168.1.161" and one["Verified"], one

assert status("unasked") == 2 and "--yes" in err("unasked"), err("unasked")
free = by_serial("free")
assert status("free") == 0, err("free")
# .2 and .4 answer ping (occupied), .1 is the gateway: the first free ones are .3 and .5.
assert [free["ZKSIM000001"]["IpAddress"], free["ZKSIM000002"]["IpAddress"]] == ["192.168.1.3", "192.168.1.5"], free
assert all(r["Verified"] for r in free.values()), free
assert status("freeone") == 0 and out("freeone")[0]["IpAddress"] == "192.168.1.6", out("freeone")

assert status("checkbusy") == 1 and open(f"{work}/checkbusy.out").read().strip().endswith("192.168.1.2")
assert status("checkfree") == 0 and open(f"{work}/checkfree.out").read().strip() == "No IP conflict"
assert status("unknown") == 1 and "NOSUCHDEVICE" in err("unknown"), err("unknown")

batch = by_serial("batch")
assert status("batch") == 1 and "1 of 8 devices failed" in err("batch"), err("batch")
for serial, row in batch.items():
    assert set(row) == {"SerialNumber", "IpAddress", "Online", "Sent", "Result", "Status"}, row
    if serial == "ZKSIM000008":
        assert not row["Online"] and not row["Sent"] and row["Result"] == "offline", row
    else:
        assert row["Online"] and row["Sent"] and row["Result"] == "ok" and row["Status"] == "Set OK", row

# The simulator's record: the exact set-network datagram, refusals, and the batch's requests.
record = [json.loads(line) for line in open(f"{work}/record.jsonl")]
network = [e for e in record if e["protocol"] == "search" and e["code"] == 2]
first = next(e for e in network if e["serial"] == "ZKSIM000002")
expected = ('<?xml version="1.0" encoding="GB2312" ?>\n<XML_ORBITLUME>\n'
            '<MESSAGE_HEADER Msg_type="SYSTEM_SEARCHIPC_MESSAGE" Msg_code="2" Msg_flag="0" SOURCE="ZKTOOLS" />\n'
            '/>\n<MESSAGE_BODY>\n'
            '<IPC_SERIALNUMBER\r\nSerialNumber="ZKSIM000002"\r\n/>\r\n'
            '<OPERATOR_AUTH Username="admin" Password="507913" />\r\n'
            '<LANConfig\r\nMacAddress="02:5A:4B:00:00:02"\r\nDHCP="0"\r\nIPAddress="192.168.1.160"\r\n'
            'Netmask="255.255.255.0"\r\nGateway="192.168.1.1"\r\nDNS1="192.168.1.1"\r\nDNS2="9.9.9.9"\r\n/>\r\n'
            '\n</MESSAGE_BODY>\n</XML_ORBITLUME>')
assert first["payload"] == expected, first["payload"]
assert first["accepted"] and first["applied"]["IpAddress"] == "192.168.1.160", first
assert not any(e["serial"] == "ZKSIM000006" for e in network), "the exhausted device got nothing"
refused = [e for e in network if e["serial"] == "ZKSIM000008"]
assert refused and all(not e["accepted"] and e["reason"] == "wrong credentials" for e in refused), refused

requests = [e for e in record if e["protocol"] == "session" and e["message"] == "request" and e.get("code") == 228]
devices = sorted(e["device"] for e in requests)
assert devices == [f"ZKSIM00000{i}" for i in range(1, 8)], devices
assert all(e["payload"] == '<MaintainConfig Enable="1" Hour="3"/>' and e["result"] == 0 for e in requests)
print("ok: net-info, ranges, exhaustion, DHCP, set, free, check and batch-set against 8 devices")
CHECK
