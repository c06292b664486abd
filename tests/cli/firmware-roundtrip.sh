#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# An image built by "zkdevcli fw-make" passes "zkdevcli fw-info"; one changed header byte makes
# fw-info print "crc error" and exit 1. Runs the programs as a user would.
set -euo pipefail
cli=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

head -c 70000 /dev/urandom >"$work/kernel"
head -c 123457 /dev/urandom >"$work/rootfs"
"$cli" fw-make --kernel "$work/kernel" --kernel-text "kernel 1.0" --rootfs "$work/rootfs" \
    --rootfs-text "IPC-MODEL-X" -o "$work/image.bin"
"$cli" fw-info "$work/image.bin" >"$work/good.txt"

# Byte 40 lies in the kernel text: the header CRC no longer matches.
printf '\x5a' | dd of="$work/image.bin" bs=1 seek=40 conv=notrunc status=none
status=0
"$cli" fw-info "$work/image.bin" >"$work/bad.txt" || status=$?
if [[ $status -ne 1 ]]; then
    echo "fw-info exited $status on a changed header, expected 1" >&2
    exit 1
fi
grep -qx "crc error" "$work/bad.txt" || { echo "no \"crc error\" line:" >&2; cat "$work/bad.txt" >&2; exit 1; }
echo "ok"
