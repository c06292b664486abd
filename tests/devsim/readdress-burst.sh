#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A burst of set-network requests against the simulator as a program: 500 devices inside a private
# network namespace are re-addressed by 1000 datagrams sent back to back (each request twice, as
# the tool sends it on two adapters). None may be lost, every device must answer from its new
# address, and the record must say what each applied. readdress_burst.py prints the timings.
#   readdress-burst.sh ZKDEVSIM
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
export ZKDEVSIM=$1

work=$(mktemp -d /tmp/zkdevsim-burst.XXXXXX)
trap 'rm -rf "$work"' EXIT
record=$work/record.jsonl

"$root/scripts/netns-run" \
    --sim "--count 500 --first-ip 192.168.2.1 --netmask 255.255.0.0 --jitter-ms 0 --seed 2 --record $record" -- \
    timeout 60 /usr/bin/python3 "$here/readdress_burst.py" "$record" 500 192.168.10.1 2
