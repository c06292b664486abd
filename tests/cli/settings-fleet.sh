#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The title, platform and time batches against 20 simulated devices inside private network
# namespaces; the 19th refuses every set request.
# - refused values (no server, a netmask as NTP server, an over-long title) print the dialog's
#   message and exit 2 before any search;
# - set-title: every other device's title, as the next search shows it, is the new title followed
#   by its own address and serial number; the request byte for byte; the block in the settings file;
# - set-platform with --increase-user: user names 7,cam .. 26,cam in address order, the refusing
#   device failed; the request byte for byte with its CR LF;
# - set-time: zone 1050 (GMT+05:30) and the NTP server in every other device's configuration, the
#   document byte for byte, the block in the settings file; --dst-auto takes the zone's own summer
#   rules from the shipped time-zone list.
#   settings-fleet.sh ZKDEVCLI ZKDEVSIM
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
cli=$1
export ZKDEVSIM=$2
work=$(mktemp -d /tmp/zk-settings-fleet.XXXXXX)
trap '[[ -n "${KEEP:-}" ]] || rm -rf "$work"' EXIT

# Each command's output, error text, exit status and times land in $work/<name>.* (fleet-run.sh).
cat >"$work/inside.sh" <<INSIDE
set -u
export ZK_WORK="$work" ZK_CLI="$cli"
. "$here/fleet-run.sh"
fast="--search-seconds 1 --answer-seconds 10"
long=\$(printf '门%.0s' {1..34})
run noserver set-platform --enable --all --search-seconds 5
run netmask set-time --mode NTP --ntp-server 255.255.0.0 --all --search-seconds 5
run longtitle set-title --title "\$long" --all --search-seconds 5
run title set-title --title 门口 --add-ip --add-serial --all --json \$fast
run search search --seconds 2 --json
run platform set-platform --enable --server 192.168.1.5 --platform-user 7,cam --increase-user --all --json \$fast
run dst set-time --zone GMT+10:00 --dst-auto --select ZKSIM000020 --json \$fast
# Last: every login's connect sequence sets the device's clock and zone, so only the last run's zone
# stays in the configuration documents.
run time set-time --mode NTP --zone GMT+05:30 --ntp-server 192.168.1.1 --all --json \$fast
INSIDE

"$root/scripts/netns-run" --sim "--count 20 --seed 7 --jitter-ms 0 --bad session-refuse-sets:18
    --record $work/record.jsonl --config-out $work/config.jsonl" -- bash "$work/inside.sh"

/usr/bin/python3 - "$work" <<'CHECK'
import json, sys
work = sys.argv[1]
def status(name): return int(open(f"{work}/{name}.status").read())
def err(name): return open(f"{work}/{name}.err").read()
def seconds(name): return float(open(f"{work}/{name}.end").read()) - float(open(f"{work}/{name}.start").read())
def out(name): return json.load(open(f"{work}/{name}.out"))
def by_serial(name): return {d["SerialNumber"]: d for d in out(name)}
serials = [f"ZKSIM{i:06d}" for i in range(1, 21)]
refusing = "ZKSIM000019"
record = [json.loads(line) for line in open(f"{work}/record.jsonl")]
config = {c["SerialNumber"]: c for c in map(json.loads, open(f"{work}/config.jsonl"))}
def requests(device, code):
    return [e for e in record if e["protocol"] == "session" and e["message"] == "request" and e["device"] == device
            and e.get("operation") == "SetDVRConfig" and e.get("code") == code]
def sent_bytes(device, code):
    return [bytes.fromhex(e["payloadHex"]) for e in requests(device, code)]
def value(device, path):
    return config[device]["Values"].get(path)
def address(serial): return f"192.168.1.{9 + int(serial[-2:])}"
settings = open(f"{work}/home/Documents/zk_cfg.xml", encoding="gb2312").read()

# Refused before any search: the dialog's message, exit 2, well under the 5 s search.
for name, text in [("noserver", "Please enter the platform server address."),
                   ("netmask", "The NTP server address cannot be a subnet mask."),
                   ("longtitle", "The title is too long")]:
    assert status(name) == 2 and text in err(name), (name, err(name))
    assert seconds(name) < 3, (name, seconds(name))

# The title: each device's own, after the new one; the refusing device keeps its old title.
rows = by_serial("title")
assert status("title") == 1 and "1 of 20 devices failed" in err("title"), err("title")
assert rows[refusing]["Result"] == "failed", rows[refusing]
found = {d["SerialNumber"]: bytes.fromhex(d["Osd"]).decode() for d in out("search")}
for serial in serials:
    if serial == refusing:
        assert found[serial] == "Camera 19", found[serial]
        continue
    assert rows[serial]["Result"] == "ok", rows[serial]
    assert found[serial] == f"门口{address(serial)}^[{serial}]", (serial, found[serial])
tabs = "\t" * 7
title = ("门口" + address("ZKSIM000001") + "^[ZKSIM000001]").encode().hex()
expected = ('<Overlay\tEnable="1" Transparency="0" Style="3" Fontsize="0" Week="1" > ' + tabs +
            '<TimeOverlay PosX="1" PosY="1"\tFormat="yyyy-mm-dd hh:mm:ss" /> ' + tabs +
            f'<TitleOverlay PosX="0" PosY="0"\tTitleUtf8="{title}"/> </Overlay>').encode()
assert sent_bytes("ZKSIM000001", 525) == [expected], sent_bytes("ZKSIM000001", 525)
assert 'TitleUtf8="e997a8e58fa3"' in settings, settings

# The platform: user names count up in address order, the refusing device's number included.
rows = by_serial("platform")
assert status("platform") == 1 and rows[refusing]["Result"] == "failed", (err("platform"), rows[refusing])
for n, serial in enumerate(serials):
    user = value(serial, "ServerConfig/PlatformConfig/NimbexConfig@Username")
    assert [e["payload"] for e in requests(serial, 670)][0].count(f'Username="{7 + n},cam"') == 1, serial
    if serial == refusing:
        assert user == "" and value(serial, "ServerConfig/PlatformConfig/NimbexConfig@Enable") == "0", user
        continue
    assert rows[serial]["Result"] == "ok", rows[serial]
    assert user == f"{7 + n},cam", (serial, user)
    assert value(serial, "ServerConfig/PlatformConfig/NimbexConfig@Server") == "192.168.1.5"
    assert value(serial, "ServerConfig/PlatformConfig/NimbexConfig@Enable") == "1"
assert sent_bytes("ZKSIM000002", 670) == [
    b'<PlatformConfig>\t <NimbexConfig Enable="1" Server="192.168.1.5" Port="10001" Username="8,cam" '
    b'Password="" PlayTone="0"/> </PlatformConfig>\r\n'], sent_bytes("ZKSIM000002", 670)

# The time: zone 1050 and the NTP server on every device that takes sets.
rows = by_serial("time")
assert status("time") == 1 and rows[refusing]["Result"] == "failed", (err("time"), rows[refusing])
for serial in serials:
    zone = value(serial, "SystemConfig/TimeConfig@TimeZone")
    if serial == refusing:
        assert zone != "1050", zone
        continue
    assert rows[serial]["Result"] == "ok", rows[serial]
    assert zone == "1050" and value(serial, "SystemConfig/TimeConfig@TimeMode") == "NTP", (serial, zone)
    assert value(serial, "SystemConfig/TimeConfig/NTPConfig@ServerIP") == "192.168.1.1"
def time_document(mode, zone, server, summer, start, end):
    return (f'<TimeConfig TimeMode="{mode}" TimeZone="{zone}">\n'
            f'\t<NTPConfig ServerIP="{server}" ServerPort="123" RefreshInterval="60" />\n'
            f'\t<SummerTime {summer}>\n'
            f'\t\t<start month="{start[0]}" week="{start[1]}" weekday="0" hour="2" />\n'
            f'\t\t<end month="{end[0]}" week="{end[1]}" weekday="0" hour="3" />\n'
            '\t</SummerTime>\n'
            '</TimeConfig>\n').encode()
assert sent_bytes("ZKSIM000003", 222) == [time_document(
    "NTP", 1050, "192.168.1.1", 'enable="0" auto="0" offset="60"', (3, 5), (10, 5))], sent_bytes("ZKSIM000003", 222)
# --dst-auto takes the zone's own rules from the shipped list: Sydney's first Sunday of October to
# the first Sunday of April (GMT+10:00 is 1320).
assert status("dst") == 0, err("dst")
assert sent_bytes("ZKSIM000020", 222)[0] == time_document(
    "MANUAL", 1320, "pool.ntp.org", 'enable="1" auto="1" offset="60"', (10, 1), (4, 1)), sent_bytes("ZKSIM000020", 222)
assert 'TimeZone="1050"' in settings and 'ServerIP="192.168.1.1"' in settings and 'TimeMode="NTP"' in settings, settings
print("ok: refusals, title, platform user names, time settings and summer rules")
CHECK
