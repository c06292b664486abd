#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Re-addresses a whole generated fleet with set-network requests sent back to back, as the tool
does, and checks that none was lost. Runs inside the tool namespace of scripts/netns-run only: the
broadcasts never leave that namespace.

    readdress_burst.py RECORD_FILE COUNT NEW_FIRST_ADDRESS [COPIES]

The simulator runs with --count COUNT, --first-ip 192.168.2.1, the default serial and MAC
prefixes, --jitter-ms 0 and --record RECORD_FILE. Device n (from 1) moves to NEW_FIRST_ADDRESS +
n - 1 under 255.255.0.0 (a range apart from the old one, so that an answer from an old address
cannot pass for a new one); each
request goes out COPIES times in a row (default 2: the tool sends on every adapter's socket).
Checks: the record holds every copy, each accepted with the address it asked for; the simulator's
search socket dropped nothing; every device answers a search from its new address; a moved
device's old address no longer answers ping. Prints how long each step took."""
import ipaddress
import json
import os
import re
import socket
import sys
import time

from search_probe import REQUEST, answers_ping, inside_harness_namespace

NETMASK = "255.255.0.0"


def set_network(number, address):
    serial = f"ZKSIM{number:06d}"
    mac = f"02:5A:4B:{(number >> 16) & 0xFF:02X}:{(number >> 8) & 0xFF:02X}:{number & 0xFF:02X}"
    body = (f'<IPC_SERIALNUMBER\r\nSerialNumber="{serial}"\r\n/>\r\n<LANConfig\r\nMacAddress="{mac}"\r\n'
            f'DHCP="0"\r\nIPAddress="{address}"\r\nNetmask="{NETMASK}"\r\nGateway="192.168.1.1"\r\n'
            f'DNS1="192.168.1.1"\r\nDNS2="8.8.8.8"\r\n/>\r\n')
    return ('<?xml version="1.0" encoding="GB2312" ?>\n<XML_ORBITLUME>\n'
            '<MESSAGE_HEADER Msg_type="SYSTEM_SEARCHIPC_MESSAGE" Msg_code="2" Msg_flag="0" SOURCE="ZKTOOLS" />\n'
            f'/>\n<MESSAGE_BODY>\n{body}\n</MESSAGE_BODY>\n</XML_ORBITLUME>').encode()


def simulator_drops():
    """The kernel's drop counter of the simulator's UDP port 3001 socket, read from its namespace."""
    with open(f"/proc/{os.environ['ZK_SIM_PID']}/net/udp", encoding="ascii") as table:
        for line in table.readlines()[1:]:
            fields = line.split()
            if fields[1].endswith(":0BB9"):
                return int(fields[-1])
    return None


class Record:
    """The record file read as it grows: complete lines only, each once."""

    def __init__(self, path, port):
        self.file, self.port, self.partial, self.lines = open(path, "rb"), port, b"", []

    def set_network_lines(self):
        self.partial += self.file.read()
        *complete, self.partial = self.partial.split(b"\n")
        for text in complete:
            line = json.loads(text)
            if line["protocol"] == "search" and line["code"] == 2 and line["from"].endswith(f":{self.port}"):
                self.lines.append(line)
        return self.lines


def main():
    if not inside_harness_namespace():
        print("readdress_burst: run only through scripts/netns-run", file=sys.stderr)
        return 1
    record_path, count = sys.argv[1], int(sys.argv[2])
    first = ipaddress.IPv4Address(sys.argv[3])
    copies = int(sys.argv[4]) if len(sys.argv) > 4 else 2
    new = {f"ZKSIM{n:06d}": str(first + n - 1) for n in range(1, count + 1)}
    messages = [set_network(n, new[f"ZKSIM{n:06d}"]) for n in range(1, count + 1)]
    problems = []

    sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    sock.setsockopt(socket.SOL_SOCKET, socket.SO_BROADCAST, 1)
    sock.setsockopt(socket.SOL_SOCKET, 33, 8 << 20)  # SO_RCVBUFFORCE: room for every search reply
    sock.bind(("0.0.0.0", 0))
    port = sock.getsockname()[1]
    drops_before = simulator_drops()

    started = time.monotonic()
    for message in messages:
        for _ in range(copies):
            sock.sendto(message, ("255.255.255.255", 3001))
    sent = time.monotonic()

    expected = count * copies
    record = Record(record_path, port)
    lines = []
    deadline = sent + 30
    while time.monotonic() < deadline:
        lines = record.set_network_lines()
        if len(lines) >= expected:
            break
        time.sleep(0.01)
    recorded = time.monotonic()
    if len(lines) != expected:
        problems.append(f"the record holds {len(lines)} of {expected} set-network requests")
    for line in lines:
        applied = line.get("applied", {})
        if not line["accepted"] or applied.get("IpAddress") != new.get(line["serial"]) \
                or applied.get("Netmask") != NETMASK or applied.get("Dhcp") != 0:
            problems.append(f"wrong record line: {json.dumps(line)[:300]}")
            break
    drops = simulator_drops()
    if drops is None or drops != drops_before:
        problems.append(f"the simulator's search socket dropped {drops} datagrams (before: {drops_before})")

    # Every device answers from its new address: its address is on the interface and it moved.
    sock.sendto(REQUEST, ("255.255.255.255", 3001))
    answered, elsewhere = set(), set()
    deadline = time.monotonic() + 10
    while len(answered) < count and time.monotonic() < deadline:
        sock.settimeout(max(deadline - time.monotonic(), 0.01))
        try:
            payload, (address, _) = sock.recvfrom(65536)
        except socket.timeout:
            break
        serial = re.search(rb'SerialNumber="([^"]*)"', payload)
        serial = serial.group(1).decode() if serial else ""
        if address == new.get(serial) and f'IPAddress="{address}"'.encode() in payload:
            answered.add(serial)
        else:
            elsewhere.add(serial)
    searched = time.monotonic()
    if len(answered) != count:
        problems.append(f"{count - len(answered)} devices do not answer from their new address, "
                        f"{len(elsewhere)} answer from another")
    if answers_ping("192.168.2.1", 0.5):
        problems.append("device 1's old address 192.168.2.1 still answers ping")

    print(f"readdress_burst: {count} devices, {expected} datagrams sent in {sent - started:.3f} s, "
          f"all recorded after {recorded - started:.3f} s, all {len(answered)} answered a search "
          f"{searched - recorded:.3f} s later; simulator drops {drops}", file=sys.stderr)
    for problem in problems:
        print("readdress_burst:", problem, file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
