#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Fifty simulated devices in a private network namespace and the client library beside them: the
# test program logs in to every device and asks each for 1012.
#   session-fleet.sh ZKDEVSIM TEST_PROGRAM
# scripts/netns-run removes the namespaces and stops the simulator however the test ends; the test
# has its own time limit so that ctest's never has to kill the harness.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
export ZKDEVSIM=$1
program=$2

work=$(mktemp -d /tmp/zk-session-fleet.XXXXXX)
trap 'rm -rf "$work"' EXIT
export ZK_SIM_RECORD=$work/record.jsonl

"$root/scripts/netns-run" --sim "--count 50 --jitter-ms 0 --seed 1 --record $ZK_SIM_RECORD" -- \
    timeout 90 "$program"
