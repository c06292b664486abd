#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The media and detection batches against 20 simulated devices inside private network namespaces;
# the 19th refuses every set request.
# - refused and malformed values exit 2 with the window's message before any search, sending nothing;
# - video-type H265+: both streams' format changes, their resolutions stay; without --yes nothing is sent;
# - video-encode --stream 2: one EncodeConfig for stream 2, stream 1 unchanged in the documents;
# - image-tuning, motion-detect: the request texts byte for byte (22X18: 1441810 and 396 blocks);
# - smart-detect: 800, then 829, 822, 827 per device; person and vehicle detection on;
# - lights: the 524 set is the 504 answer with only light attributes changed; the block is stored.
#   media-fleet.sh ZKDEVCLI ZKDEVSIM
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
cli=$1
export ZKDEVSIM=$2
work=$(mktemp -d /tmp/zk-media-fleet.XXXXXX)
trap '[[ -n "${KEEP:-}" ]] || rm -rf "$work"' EXIT

# Each command's output, error text, exit status and times land in $work/<name>.* (fleet-run.sh).
cat >"$work/inside.sh" <<INSIDE
set -u
export ZK_WORK="$work" ZK_CLI="$cli"
. "$here/fleet-run.sh"
fast="--search-seconds 1 --answer-seconds 10"
slow="--all --search-seconds 5"
run mctf image-tuning --mctf 12 \$slow
run sensitivity motion-detect --enable --sensitivity 101 \$slow
run brightness video-capture --set Brightness=101 \$slow
run badgrid motion-detect --enable --grid 4by3 \$slow
run badname video-capture --set Nope=1 \$slow
run badstream video-encode --stream 3 --yes \$slow
run enc0 get-config --code 503 --all --json \$fast
run type video-type H265+ --all --yes --json \$fast
run unasked video-type H264 --select ZKSIM000001 \$fast
run enc1 get-config --code 503 --all --json \$fast
run encode video-encode --stream 2 --set BitRate=1024000 --all --yes --json \$fast
run tuning image-tuning --mctf -1 --shutter-max -1 --all --json \$fast
run motion motion-detect --enable --grid 22X18 --all --json \$fast
run smart smart-detect --enable-schedule allday --person --vehicle --motion --all --json \$fast
run cap0 get-config --code 504 --all --json \$fast
run lights lights --set led_brightness_value=70 --all --json \$fast
INSIDE

"$root/scripts/netns-run" --sim "--count 20 --seed 7 --jitter-ms 0 --bad session-refuse-sets:18
    --record $work/record.jsonl --config-out $work/config.jsonl" -- bash "$work/inside.sh"

/usr/bin/python3 - "$work" "$root" <<'CHECK'
import json, sys
import xml.etree.ElementTree as ET
work, root = sys.argv[1], sys.argv[2]
def status(name): return int(open(f"{work}/{name}.status").read())
def err(name): return open(f"{work}/{name}.err").read()
def span(name): return float(open(f"{work}/{name}.start").read()), float(open(f"{work}/{name}.end").read())
def by_serial(name): return {d["SerialNumber"]: d for d in json.load(open(f"{work}/{name}.out"))}
serials = [f"ZKSIM{i:06d}" for i in range(1, 21)]
refusing = "ZKSIM000019"
record = [json.loads(line) for line in open(f"{work}/record.jsonl")]
config = {c["SerialNumber"]: c["Values"] for c in map(json.loads, open(f"{work}/config.jsonl"))}
english = {e.tag: e.text for e in ET.parse(f"{root}/resources/languages/en-us.xml").getroot().iter()}
def requests(name, device=None, codes=None):
    # The session requests the devices received while a run went on.
    start, end = span(name)
    return [e for e in record if e["protocol"] == "session" and e["message"] == "request" and "operation" in e
            and start <= e["time"] <= end and (device is None or e["device"] == device)
            and (codes is None or e["code"] in codes)]
def sent(name, device, operation, code):
    return [bytes.fromhex(e["payloadHex"]) for e in requests(name, device, {code}) if e["operation"] == operation]
def element(text):
    return ET.fromstring(text.strip("\0").strip())
def flatten(node, path, values):
    # The simulator's own paths: element names joined by "/", "[n]" for the n-th namesake after the first.
    for name, value in node.attrib.items():
        values[f"{path}@{name}"] = value
    seen = {}
    for child in node:
        position = seen[child.tag] = seen.get(child.tag, -1) + 1
        flatten(child, f"{path}/{child.tag}" + (f"[{position}]" if position else ""), values)
    return values
def under(values, prefix):
    return {k: v for k, v in values.items() if k.startswith(prefix + "@") or k.startswith(prefix + "/")}
def check_results(name, exit_status=1, others="ok"):
    rows = by_serial(name)
    assert status(name) == exit_status, (name, status(name), err(name))
    assert sorted(rows) == serials, (name, sorted(rows))
    for serial, row in rows.items():
        assert row["Result"] == ("failed" if serial == refusing and exit_status == 1 else others), (name, row)

# Refused and malformed values: the window's message, exit 2, no search and nothing sent.
brightness = english.get("IDS_STR_ZH_CN_MSG_TIPS47") or "IDS_STR_ZH_CN_MSG_TIPS47"
for name, line in [("mctf", "image-tuning: MCTF ERROR"), ("sensitivity", "motion-detect: 灵敏度设置错误。"),
                   ("brightness", f"video-capture: {brightness}")]:
    assert status(name) == 2 and f"zkdevcli {line}\n" in err(name), (name, err(name))
for name, text in [("badgrid", "--grid"), ("badname", "Nope"), ("badstream", "--stream")]:
    assert status(name) == 2 and text in err(name), (name, err(name))
for name in ["mctf", "sensitivity", "brightness", "badgrid", "badname", "badstream"]:
    start, end = span(name)
    assert end - start < 3, (name, end - start)
    assert not [e for e in record if start <= e["time"] <= end], name

# video-type H265+: both streams' format; their resolutions as they were.
check_results("type")
before, after = by_serial("enc0"), by_serial("enc1")
for serial in serials:
    [document] = sent("type", serial, "SetDVRConfig", 523)
    streams = element(document.decode()).findall("EncodeConfig")
    assert [(s.get("Stream"), s.get("Resolution"), s.get("EncodeFormat")) for s in streams] == [
        ("1", "INVALID", "H265+"), ("2", "INVALID", "H265+")], (serial, document)
    old = element(before[serial]["Answer"]).findall("EncodeConfig")
    new = element(after[serial]["Answer"]).findall("EncodeConfig")
    assert [s.get("Resolution") for s in new] == [s.get("Resolution") for s in old] != ["INVALID"] * 2, serial
    want = ["H265+"] * 2 if serial != refusing else [s.get("EncodeFormat") for s in old]
    assert [s.get("EncodeFormat") for s in new] == want, (serial, after[serial]["Answer"])
# Without --yes the question is declined: nothing sent, exit 2.
assert status("unasked") == 2 and "--yes" in err("unasked"), err("unasked")
assert not [e for e in requests("unasked") if e.get("code") == 523], requests("unasked")

# video-encode --stream 2: one element for stream 2 with the window's values; stream 1 unchanged.
check_results("encode")
for serial in serials:
    [document] = sent("encode", serial, "SetDVRConfig", 523)
    [stream] = element(document.decode()).findall("EncodeConfig")
    assert (stream.get("Stream"), stream.get("BitRate"), stream.get("FrameRate"), stream.get("Resolution")) == (
        "2", "1024000", "15", "INVALID"), (serial, document)
    answer = flatten(element(after[serial]["Answer"]), "MediaConfig/Encode", {})
    first = under(answer, "MediaConfig/Encode/EncodeConfig")
    assert under(config[serial], "MediaConfig/Encode/EncodeConfig") == first, serial
    second = config[serial]["MediaConfig/Encode/EncodeConfig[1]@BitRate"]
    assert second == (answer["MediaConfig/Encode/EncodeConfig[1]@BitRate"] if serial == refusing else "1024000"), second
    assert config[serial]["MediaConfig/Encode/EncodeConfig[1]@Resolution"] == answer[
        "MediaConfig/Encode/EncodeConfig[1]@Resolution"], serial

# image-tuning: the request byte for byte; controls are not refused.
check_results("tuning", 0)
for serial in serials:
    assert sent("tuning", serial, "SystemControl", 1081) == [
        b'<REQUEST_PARAM mctf="-1" gain="30" shuttermax="-1" />'], sent("tuning", serial, "SystemControl", 1081)

# motion-detect with the 22X18 grid: the motion text byte for byte.
check_results("motion")
motion = ("<MotionDetectAlarm \t\t\tEnable=\"%d\" \t\t\tBlockCount=\"%d\" \t\t\tBlockConfig=\"%s\" \t\t\t"
          "Sensitivity=\"%d\" \t\t\tAlarmThreshold=\"%d\" \t\t\tDayNightSwitch=\"0\" \t\t\tNightSensitivity=\"60\" "
          "\t\t\tNightAlarmThreshold=\"30\" \t\t\tNightStartTime=\" 0: 0: 0\" \t\t\tNightEndTime=\"24: 0: 0\" \t\t\t> "
          "\t\t\t<EnableTimeList> \t\t\t\t<Workday \t\t\t\t\tDay=\"7\" \t\t\t\t\t> \t\t\t\t\t<TimeSpan "
          "\t\t\t\t\t\tStartTime=\" 0: 0: 0\" \t\t\t\t\t\tEndTime=\"24: 0: 0\" \t\t\t\t\t/> \t\t\t\t</Workday> "
          "\t\t\t</EnableTimeList> \t\t\t<AlarmAction> \t\t\t\t<AlarmOutputAction \t\t\t\t\tEnable=\"1\" "
          "\t\t\t\t\tPortIndex=\"1\" \t\t\t\t\tChannelType=\"1\" \t\t\t\t\tTriggerType=\"HIGH\" "
          "\t\t\t\t\tDuration=\"10\" \t\t\t\t/> \t\t\t\t<PTZAction \t\t\t\t\tEnable=\"0\" "
          "\t\t\t\t\tActionType=\"PositionWalk\" \t\t\t\t\t> \t\t\t\t\t<PositionWalk \t\t\t\t\t\tInterval=\"2\" "
          "\t\t\t\t\t\tWalkCount=\"1\" \t\t\t\t\t\t> \t\t\t\t\t\t<PTZPosition \t\t\t\t\t\t\tPositionIndex=\"1\" "
          "\t\t\t\t\t\t/> \t\t\t\t\t\t<PTZPosition \t\t\t\t\t\t\tPositionIndex=\"2\" \t\t\t\t\t\t/> "
          "\t\t\t\t\t\t<PTZPosition \t\t\t\t\t\t\tPositionIndex=\"3\" \t\t\t\t\t\t/> \t\t\t\t\t</PositionWalk> "
          "\t\t\t\t</PTZAction> \t\t\t</AlarmAction> \t\t</MotionDetectAlarm> ")
expected = (motion % (1, 1441810, "1" * 396, 80, 20)).encode()
for serial in serials:
    assert sent("motion", serial, "SetDVRConfig", 822) == [expected], sent("motion", serial, "SetDVRConfig", 822)

# smart-detect: the read, then person/vehicle, motion and sound detection, in that order.
check_results("smart")
for serial in serials:
    sequence = [(e["operation"], e["code"]) for e in requests("smart", serial, {800, 822, 827, 829})]
    assert [code for _, code in sequence] == [800, 829, 822, 827], (serial, sequence)
    assert sequence[0][0] == "GetDVRConfig", sequence
    [pd] = [element(e["payload"]) for e in requests("smart", serial, {829})]
    assert (pd.tag, pd.get("Enable"), pd.get("ObjectType"), pd.get("EnableSchedule")) == ("PDAlarm", "1", "17", "1"), (
        serial, pd.attrib)
    [md] = [element(e["payload"]) for e in requests("smart", serial, {822})]
    [audio] = [element(e["payload"]) for e in requests("smart", serial, {827})]
    assert (md.get("Enable"), audio.get("Enable")) == ("1", "0"), (serial, md.attrib, audio.attrib)
    if serial != refusing:
        assert (config[serial]["AlarmConfig/PDAlarm@Enable"], config[serial]["AlarmConfig/PDAlarm@ObjectType"]) == (
            "1", "17"), serial
        # The motion detection went back as read: the 22X18 grid of the run before stays.
        assert (config[serial]["AlarmConfig/MotionDetectAlarm@BlockCount"],
                config[serial]["AlarmConfig/MotionDetectAlarm@BlockConfig"]) == ("1441810", "1" * 396), serial

# lights: read 504, set 524 with only the light attributes changed, in the set and on the device.
check_results("lights")
light = {"IrcutMode", "IrcutOpenLedDelay", "led_brightness_mode", "led_brightness_value", "led_brightness_alarm",
         "IrcutNightStartTime", "IrcutNightEndTime", "led_mode", "ispadvmode", "light_off_sensitivity"}
captures = by_serial("cap0")
for serial in serials:
    assert [e["code"] for e in requests("lights", serial, {504, 524})] == [504, 524], serial
    old = flatten(element(captures[serial]["Answer"]), "MediaConfig/Video", {})
    [document] = sent("lights", serial, "SetDVRConfig", 524)
    new = flatten(element(document.decode()), "MediaConfig/Video", {})
    stored = under(config[serial], "MediaConfig/Video")
    for values in [new] + ([] if serial == refusing else [stored]):
        assert values.keys() == old.keys(), (serial, values.keys() ^ old.keys())
        changed = {k.split("@")[1] for k in old if old[k] != values[k]}
        assert "led_brightness_value" in changed and changed <= light, (serial, changed)
        assert values["MediaConfig/Video/Capture@led_brightness_value"] == "70", serial
    if serial == refusing:
        assert stored == old, serial
settings = open(f"{work}/home/Documents/zk_cfg.xml", encoding="gb2312").read()
assert 'led_brightness_value="70"' in settings, settings
print("media fleet: all checks passed")
CHECK
