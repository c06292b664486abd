#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Broadcasts one search request and checks who answers. Runs inside the tool namespace of
scripts/netns-run only: the broadcast never leaves that namespace.

    search_probe.py RECORD_FILE EXPECTED_ADDRESS...

Exits 0 when exactly the expected addresses answer from port 3001 with a search reply and the
record file holds the request; otherwise prints what is wrong and exits 1."""
import json
import os
import socket
import sys
import time

REQUEST = (
    '<?xml version="1.0" encoding="GB2312" ?>\n<XML_ORBITLUME>\n'
    '<MESSAGE_HEADER Msg_type="SYSTEM_SEARCHIPC_MESSAGE" Msg_code="1" Msg_flag="0" SOURCE="ZKTOOLS" />\n'
    '<MESSAGE_BODY>\n</MESSAGE_BODY>\n</XML_ORBITLUME>'
).encode()


def inside_harness_namespace():
    """Every interface is loopback or one of the harness's own (zkt*), and the harness named it."""
    names = [name for _, name in socket.if_nameindex()]
    return "ZK_NS_TOOL" in os.environ and all(n == "lo" or n.startswith("zkt") for n in names)


def main():
    if not inside_harness_namespace():
        print("search_probe: run only through scripts/netns-run", file=sys.stderr)
        return 1
    record_path, expected = sys.argv[1], set(sys.argv[2:])
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

    for problem in problems:
        print("search_probe:", problem, file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
