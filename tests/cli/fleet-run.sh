# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the fleet scripts on the namespace side, with ZK_WORK (the scratch folder) and ZK_CLI
# (zkdevcli) set: gives zkdevcli a home of its own in the scratch folder, and defines
#   run NAME ARGS...
# which runs zkdevcli with ARGS and leaves its output, error text and exit status in
# $ZK_WORK/NAME.{out,err,status}, with its start and end (seconds since the epoch, to the
# nanosecond) in NAME.start and NAME.end.
export HOME="$ZK_WORK/home" XDG_DOCUMENTS_DIR="$ZK_WORK/home/Documents" XDG_CONFIG_HOME="$ZK_WORK/home/config"
mkdir -p "$XDG_DOCUMENTS_DIR"
run() {
    local name=$1
    shift
    local status=0
    date +%s.%N >"$ZK_WORK/$name.start"
    timeout 60 "$ZK_CLI" "$@" >"$ZK_WORK/$name.out" 2>"$ZK_WORK/$name.err" || status=$?
    date +%s.%N >"$ZK_WORK/$name.end"
    echo $status >"$ZK_WORK/$name.status"
}
