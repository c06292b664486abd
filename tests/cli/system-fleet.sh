#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The system commands against 20 simulated devices inside private network namespaces; the 19th
# refuses every set request, the 20th every login.
# - set-password: ok for the others, failed for the refusing one, offline for the 20th; one 223
#   request per logged-in device with the escaped password; a following login with it succeeds;
# - factory-mode on: the 1094 request and three code-9 datagrams per device, byte for byte;
# - reset --keep-network: four rounds of three code-5 datagrams 500 ms apart with the retain
#   element, addresses unchanged; a whole reset asks the session to restore at most once;
# - reboot, loop-reboot, set-language, sync-time (the connect sequence's zone), maintenance, p2p,
#   io-output, thermal-preset and test: their requests in the record, their changes in the
#   simulator's configuration documents.
#   system-fleet.sh ZKDEVCLI ZKDEVSIM
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
cli=$1
export ZKDEVSIM=$2
work=$(mktemp -d /tmp/zk-system-fleet.XXXXXX)
trap '[[ -n "${KEEP:-}" ]] || rm -rf "$work"' EXIT

# Each command's output, error text, exit status and times land in $work/<name>.* (fleet-run.sh).
cat >"$work/inside.sh" <<INSIDE
set -u
export ZK_WORK="$work" ZK_CLI="$cli"
. "$here/fleet-run.sh"
new='n3w"pw'
fast="--search-seconds 1 --answer-seconds 10"
run password set-password --all --new-password "\$new" --json \$fast
run login login --search-seconds 1 --seconds 5 --user admin --password "\$new" --json
run factory factory-mode on --yes --select ZKSIM000001,ZKSIM000002 --password "\$new" --json \$fast
run keep reset --keep-network --yes --select ZKSIM000003,ZKSIM000004 --password "\$new" --json \$fast
run whole reset --yes --select ZKSIM000014 --password "\$new" --json \$fast
run unasked reboot --select ZKSIM000005 --password "\$new" \$fast
run reboot reboot --yes --select ZKSIM000005 --password "\$new" --json \$fast
run loop loop-reboot --select ZKSIM000006 --seconds 3 --password "\$new" \$fast
run language set-language german --select ZKSIM000007,ZKSIM000019 --password "\$new" --json \$fast
run time sync-time --select ZKSIM000008 --password "\$new" --json \$fast
run maintenance maintenance --enable --day sun --time 04:30:00 --select ZKSIM000009 --password "\$new" --json \$fast
run p2p p2p off --select ZKSIM000010 --password "\$new" --json \$fast
run io io-output 1 --select ZKSIM000011 --password "\$new" --json \$fast
run thermal thermal-preset scan --select ZKSIM000012 --password "\$new" --json \$fast
run mcu test mcu --select ZKSIM000013 --password "\$new" --json \$fast
run speed test speed --select ZKSIM000013 --password "\$new" --json \$fast
run audio test audio --select ZKSIM000013 --password "\$new" --json \$fast
run badword p2p maybe --select ZKSIM000010 \$fast
run badpassword set-password --select ZKSIM000010 --new-password "\$(printf 'x%.0s' {1..64})" \$fast
INSIDE

"$root/scripts/netns-run" --sim "--count 20 --seed 5 --jitter-ms 0 --reboot-seconds 1
    --bad session-refuse-sets:18 --bad session-refuse:19
    --record $work/record.jsonl --config-out $work/config.jsonl" -- bash "$work/inside.sh"

/usr/bin/python3 - "$work" <<'CHECK'
import json, sys
work = sys.argv[1]
def status(name): return int(open(f"{work}/{name}.status").read())
def err(name): return open(f"{work}/{name}.err").read()
def out(name): return json.load(open(f"{work}/{name}.out"))
def by_serial(name): return {d["SerialNumber"]: d for d in out(name)}
serials = [f"ZKSIM{i:06d}" for i in range(1, 21)]
record = [json.loads(line) for line in open(f"{work}/record.jsonl")]
config = {c["SerialNumber"]: c for c in map(json.loads, open(f"{work}/config.jsonl"))}
def requests(device, code=None, operation=None):
    return [e for e in record if e["protocol"] == "session" and e["message"] == "request" and e["device"] == device
            and (code is None or e.get("code") == code) and (operation is None or e.get("operation") == operation)]
def datagrams(device, code):
    return [e for e in record if e["protocol"] == "search" and e["code"] == code and e["serial"] == device]
# The tool broadcasts every request on each of its sockets (one per local address and the wildcard
# one), so each copy arrives once per socket; the copies of one socket, in order of arrival.
def per_socket(sent):
    sockets = {}
    for d in sent:
        sockets.setdefault(d["from"], []).append(d)
    assert len(sockets) >= 1, sent
    return list(sockets.values())
def value(device, path):
    return config[device]["Values"].get(path)
def datagram(code, flag, serial, retain=False):
    return ('<?xml version="1.0" encoding="GB2312" ?>\n<XML_ORBITLUME>\n'
            f'<MESSAGE_HEADER Msg_type="SYSTEM_SEARCHIPC_MESSAGE" Msg_code="{code}" Msg_flag="{flag}" SOURCE="ZKTOOLS" />\n'
            '/>\n<MESSAGE_BODY>\n'
            f'<IPC_SERIALNUMBER SerialNumber="{serial}" />\r\n'
            + ('<retain value="network" />\r\n' if retain else '') +
            '<OPERATOR_AUTH Username="admin" Password="n3w&quot;pw" />\r\n'
            '\n</MESSAGE_BODY>\n</XML_ORBITLUME>')

# The password: one escaped 223 request per logged-in device; the refusing one says so.
rows = by_serial("password")
assert status("password") == 1 and "2 of 20 devices failed" in err("password"), err("password")
for serial in serials[:18]:
    assert rows[serial]["Result"] == "ok" and rows[serial]["Sent"], rows[serial]
assert rows["ZKSIM000019"]["Result"] == "failed", rows["ZKSIM000019"]
assert rows["ZKSIM000020"]["Result"] == "offline" and not rows["ZKSIM000020"]["Sent"], rows["ZKSIM000020"]
expected = ('<UserConfig><Account Username="admin" Password="n3w&quot;pw" Group="Administrator" '
            'Status="Enable" /></UserConfig>')
for serial in serials[:19]:
    sent = requests(serial, 223)
    assert len(sent) == 1 and sent[0]["payload"] == expected, (serial, sent)
assert not requests("ZKSIM000020", 223)
# The devices keep the new account (the refusing one its old), and logins with it succeed: the
# search replies carry the account a login uses.
reset = {"ZKSIM000003", "ZKSIM000004", "ZKSIM000014"}  # back to the factory account below
for serial in set(serials[:18]) - reset:
    assert value(serial, "SystemConfig/UserConfig/Account@Password") == 'n3w"pw', serial
assert value("ZKSIM000019", "SystemConfig/UserConfig/Account@Password") == "507913"
online = {d["SerialNumber"] for d in out("login") if d.get("Online")}
assert online == set(serials[:19]), sorted(online)

# Factory mode: the control and three datagrams per device.
assert status("factory") == 0, err("factory")
for serial in ["ZKSIM000001", "ZKSIM000002"]:
    control = requests(serial, 1094)
    assert len(control) == 1 and control[0]["payload"] == '<REQUEST_PARAM Mode="1"/>\n', control
    sent = datagrams(serial, 9)
    assert all(d["payload"] == datagram(9, 0, serial) and d["flag"] == 0 for d in sent), sent
    assert all(len(copies) == 3 for copies in per_socket(sent)), sent
    assert config[serial]["FactoryMode"] is True and value(serial, "SystemConfig/FactoryConfig@Mode") == "1"

# The reset keeping the network: four rounds 500 ms apart, three copies each, no session restore.
assert status("keep") == 0, err("keep")
for serial in ["ZKSIM000003", "ZKSIM000004"]:
    sent = datagrams(serial, 5)
    assert all(d["payload"] == datagram(5, 0, serial, retain=True) for d in sent), sent
    for copies in per_socket(sent):
        assert len(copies) == 12, len(copies)
        times = [d["time"] for d in copies]
        rounds = [times[i] for i in range(0, 12, 3)]
        gaps = [b - a for a, b in zip(rounds, rounds[1:])]
        assert all(0.45 <= g <= 0.9 for g in gaps), gaps
        assert all(times[i + 2] - times[i] < 0.1 for i in range(0, 12, 3)), times
    assert not requests(serial, operation="RestoreConfig")
    index = int(serial[-2:]) - 1
    assert config[serial]["IpAddress"] == f"192.168.1.{10 + index}", config[serial]["IpAddress"]
assert status("whole") == 0, err("whole")
assert all(len(copies) == 12 for copies in per_socket(datagrams("ZKSIM000014", 5)))
assert len(requests("ZKSIM000014", operation="RestoreConfig")) <= 1

# Reboot: asked first; then the session's reboot and one datagram.
assert status("unasked") == 2 and "--yes" in err("unasked"), err("unasked")
assert status("reboot") == 0, err("reboot")
# Display value 1055 is 0 by default: the session's reboot goes first ("Rebooting..."). The
# broadcast follows at once and may reach the device first; its reboot then ends the session.
assert by_serial("reboot")["ZKSIM000005"]["Status"] == "Rebooting...", out("reboot")
assert len(requests("ZKSIM000005", operation="RebootDVR")) <= 1
assert all([d["payload"] for d in copies] == [datagram(7, 0, "ZKSIM000005")]
           for copies in per_socket(datagrams("ZKSIM000005", 7)))
assert status("loop") == 0 and "reboots sent" in err("loop"), err("loop")
assert all(len(copies) >= 2 for copies in per_socket(datagrams("ZKSIM000006", 7)))

# Language: the document and the control; the device refusing sets keeps its failure.
language = by_serial("language")
assert status("language") == 1 and language["ZKSIM000007"]["Result"] == "ok", language
assert language["ZKSIM000019"]["Result"] == "failed", language["ZKSIM000019"]
assert [e["payload"] for e in requests("ZKSIM000007", 227)] == ['<MiscConfig Language="en-us" />']
assert [e["payload"] for e in requests("ZKSIM000007", 1119)] == [
    '<REQUEST_PARAM web_defalut_language="4" is_KC_web="0" Language="german" />']
assert value("ZKSIM000007", "SystemConfig/MiscConfig@Language") == "en-us"
assert value("ZKSIM000007", "SystemConfig/MiscConfig@WebLanguage") == "4"

# The clock: the same zone as the connect sequence computed.
times = requests("ZKSIM000008", operation="SET_TimeManualConfig")
assert status("time") == 0 and len(times) >= 2, times
zones = {e["payload"].split(" zone ")[1] for e in times}
assert len(zones) == 1, zones

assert status("maintenance") == 0, err("maintenance")
assert [e["payload"] for e in requests("ZKSIM000009", 228)] == [
    '<MaintainConfig\tEnable="1" Day="6" Time="04:30:00" />']
assert (value("ZKSIM000009", "SystemConfig/MaintainConfig@Day"), value("ZKSIM000009", "SystemConfig/MaintainConfig@Time")) \
    == ("6", "04:30:00")
assert status("p2p") == 0 and [e["payload"] for e in requests("ZKSIM000010", 335)] == [
    '\t<P2PConfig Enable="0" Type="0" />']
assert value("ZKSIM000010", "NetworkConfig/P2PConfig@Enable") == "0"
assert status("io") == 0 and [e["payload"] for e in requests("ZKSIM000011", 1042)] == [
    '<REQUEST_PARAM ChannelNo="0"Output="1"/>\n']
assert any(k.endswith("@Output") and v == "1" for k, v in config["ZKSIM000011"]["Values"].items()), config["ZKSIM000011"]
assert status("thermal") == 0 and "[200 preset ptz]" in err("thermal"), err("thermal")
presets = [e for e in requests("ZKSIM000012") if "Preset" in e.get("operation", "")]
assert len(presets) == 1, presets
assert any("Preset" in k and v == "200" for k, v in config["ZKSIM000012"]["Values"].items()), config["ZKSIM000012"]
assert status("mcu") == 0 and len(requests("ZKSIM000013", 1130)) == 1
assert status("speed") == 0 and [e["payload"] for e in requests("ZKSIM000013", 122)] == [
    '<REQUEST_PARAM manualspeed="5" />']
assert status("audio") == 0 and len(requests("ZKSIM000013", 1102)) == 1

assert status("badword") == 2 and "give one of: off, on" in err("badword"), err("badword")
assert status("badpassword") == 2 and "longer than the 63 bytes" in err("badpassword") and not requests("ZKSIM000010", 223)[1:], err("badpassword")
print("ok: password, factory mode, resets, reboots, language, clock, maintenance, P2P, IO, thermal and tests")
CHECK
