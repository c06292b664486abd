#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Smoke test of the simulator as a program: five devices inside a private network namespace
# answer one broadcast search, each from its own address, and the record file holds the request.
# Two occupied addresses answer ping but no search and no login; an address nobody holds is silent.
#   search-smoke.sh ZKDEVSIM
# scripts/netns-run removes the namespaces and stops the simulator however the probe ends; the
# probe has its own time limit so that ctest's never has to kill the harness.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
export ZKDEVSIM=$1

work=$(mktemp -d /tmp/zkdevsim-smoke.XXXXXX)
trap 'rm -rf "$work"' EXIT
record=$work/record.jsonl

"$root/scripts/netns-run" --sim "--count 5 --jitter-ms 50 --seed 1 --record $record --occupy 192.168.1.50-51" -- \
    timeout 30 /usr/bin/python3 "$here/search_probe.py" "$record" \
    --occupied 192.168.1.50 --occupied 192.168.1.51 --absent 192.168.1.52 \
    192.168.1.10 192.168.1.11 192.168.1.12 192.168.1.13 192.168.1.14
