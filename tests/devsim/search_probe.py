#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Broadcasts one search request and checks who answers. Runs inside the tool namespace of
scripts/netns-run only: the broadcast never leaves that namespace.

    search_probe.py RECORD_FILE [--occupied ADDRESS]... [--absent ADDRESS]... EXPECTED_ADDRESS...

Exits 0 when exactly the expected addresses answer from port 3001 with a search reply, the record
file holds the request, every occupied address answers ping but refuses the command port, and
every absent address stays silent to ping; otherwise prints what is wrong and exits 1."""
import json
import os
import select
import socket
import struct
import sys
import time

COMMAND_PORT = 34567

REQUEST = (
    '<?xml version="1.0" encoding="GB2312" ?>\n<XML_ORBITLUME>\n'
    '<MESSAGE_HEADER Msg_type="SYSTEM_SEARCHIPC_MESSAGE" Msg_code="1" Msg_flag="0" SOURCE="ZKTOOLS" />\n'
    '<MESSAGE_BODY>\n</MESSAGE_BODY>\n</XML_ORBITLUME>'
).encode()


def inside_harness_namespace():
    """Every interface is loopback or one of the harness's own (zkt*), and the harness named it."""
    names = [name for _, name in socket.if_nameindex()]
    return "ZK_NS_TOOL" in os.environ and all(n == "lo" or n.startswith("zkt") for n in names)


def checksum(data):
    if len(data) % 2:
        data += b"\0"
    total = sum(struct.unpack(f"!{len(data) // 2}H", data))
    total = (total >> 16) + (total & 0xFFFF)
    return ~(total + (total >> 16)) & 0xFFFF


def answers_ping(address, wait_s):
    """One ICMP echo request on a raw socket; True when the echo reply comes back in time."""
    with socket.socket(socket.AF_INET, socket.SOCK_RAW, socket.IPPROTO_ICMP) as sock:
        ident, payload = os.getpid() & 0xFFFF, b"zkdevsim-probe"
        header = struct.pack("!BBHHH", 8, 0, 0, ident, 1)
        sock.sendto(struct.pack("!BBHHH", 8, 0, checksum(header + payload), ident, 1) + payload, (address, 0))
        deadline = time.monotonic() + wait_s
        while (left := deadline - time.monotonic()) > 0:
            if not select.select([sock], [], [], left)[0]:
                break
            packet, (source, _) = sock.recvfrom(2048)
            icmp = packet[(packet[0] & 0x0F) * 4:]
            if source == address and icmp[0] == 0 and struct.unpack("!H", icmp[4:6])[0] == ident:
                return True
    return False


def refuses_connection(address, port):
    try:
        socket.create_connection((address, port), timeout=2).close()
    except ConnectionRefusedError:
        return True
    except OSError:
        return False
    return False


def main():
    if not inside_harness_namespace():
        print("search_probe: run only through scripts/netns-run", file=sys.stderr)
        return 1
    arguments, occupied, absent = sys.argv[2:], [], []
    while arguments and arguments[0] in ("--occupied", "--absent"):
        (occupied if arguments[0] == "--occupied" else absent).append(arguments[1])
        arguments = arguments[2:]
    record_path, expected = sys.argv[1], set(arguments)
    sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    sock.setsockopt(socket.SOL_SOCKET, socket.SO_BROADCAST, 1)
    sock.bind(("0.0.0.0", 0))
    port = sock.getsockname()[1]
    sock.sendto(REQUEST, ("255.255.255.255", 3001))

    problems = []
    answered = {}
    deadline = time.monotonic() + 2.0
    while time.monotonic() < deadline:
        sock.settimeout(max(deadline - time.monotonic(), 0.01))
        try:
            payload, (address, source_port) = sock.recvfrom(65536)
        except socket.timeout:
            break
        if source_port != 3001:
            problems.append(f"reply from {address}:{source_port}, not port 3001")
        if b'Msg_code="3"' not in payload or b"<LANConfig" not in payload:
            problems.append(f"{address} did not send a search reply: {payload[:80]!r}")
        if f'IPAddress="{address}"'.encode() not in payload:
            problems.append(f"{address} describes another address")
        answered[address] = answered.get(address, 0) + 1

    if set(answered) != expected:
        problems.append(f"answered: {sorted(answered)}, expected: {sorted(expected)}")
    problems += [f"{a} answered {n} times" for a, n in answered.items() if n != 1]

    records = [json.loads(line) for line in open(record_path, encoding="utf-8")]
    searches = [r for r in records if r["code"] == 1 and r["from"].endswith(f":{port}")]
    if len(searches) != 1:
        problems.append(f"record holds {len(searches)} searches from port {port}: {records}")
    elif not (searches[0]["accepted"] and searches[0]["answered"] == len(expected)
              and searches[0]["payload"] == REQUEST.decode() and searches[0]["serial"] == ""):
        problems.append(f"wrong record line: {searches[0]}")

    # An occupied address is a host without a device: ping answers, the command port refuses, and
    # (checked above with the search) it sends no search reply.
    for address in occupied:
        if not answers_ping(address, 2.0):
            problems.append(f"occupied address {address} does not answer ping")
        if not refuses_connection(address, COMMAND_PORT):
            problems.append(f"occupied address {address} does not refuse port {COMMAND_PORT}")
    for address in absent:
        if answers_ping(address, 0.5):
            problems.append(f"absent address {address} answers ping")

    for problem in problems:
        print("search_probe:", problem, file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
