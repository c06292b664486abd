# SPDX-License-Identifier: GPL-3.0-or-later
# Private network namespaces for tests, demos and benchmarks: nothing they send reaches the
# machine's own network. Source this file, then:
#   zk_netns_create                 a "tool" and a "sim" namespace joined by a veth pair
#                                   (tool side zkt0 ZK_TOOL_ADDR, default 192.168.1.253/24; sim side
#                                   zks0 ZK_SIM_ADDR, default 192.168.1.254/24), loopback up, a default
#                                   route into the veth on both sides; removed again on exit
#                                   ZK_TOOL_GATEWAY, when set, is the tool side's default gateway
#                                   (an address on zkt0's network) instead of a route into zkt0;
#                                   ZK_TOOL_DNS, when set, the tool namespace's resolver list
#                                   (space-separated servers, given to its programs by ip netns exec)
#   zk_netns_add_adapter N TOOL SIM another pair zktN/zksN with the given addresses (a second adapter)
#   zk_in_tool CMD...               run a command in the tool namespace
#   zk_in_sim CMD...                run a command in the sim namespace
#   zk_sim_start ARGS...            start zkdevsim (the program ZKDEVSIM names) in the sim
#                                   namespace with --interface zks0 and wait until it is ready
#   zk_netns_destroy                stop the simulator and remove both namespaces
# Names are unique per process, so tests running at the same time never meet. Needs root.

zk_netns_die() {
    echo "netns: $*" >&2
    exit 1
}

zk_netns_create() {
    [[ $(id -u) -eq 0 ]] || zk_netns_die "creating network namespaces needs root"
    command -v ip >/dev/null || zk_netns_die "the ip command (iproute2) is missing"
    ZK_NS_TOOL="zk-tool-$$-${RANDOM}"
    ZK_NS_SIM="zk-sim-$$-${RANDOM}"
    ZK_SIM_PID=""
    trap zk_netns_destroy EXIT
    ip netns add "$ZK_NS_TOOL" || zk_netns_die "cannot add namespace $ZK_NS_TOOL"
    ip netns add "$ZK_NS_SIM" || zk_netns_die "cannot add namespace $ZK_NS_SIM"
    ip -n "$ZK_NS_TOOL" link set lo up
    ip -n "$ZK_NS_SIM" link set lo up
    zk_netns_add_adapter 0 "${ZK_TOOL_ADDR:-192.168.1.253/24}" "${ZK_SIM_ADDR:-192.168.1.254/24}"
    if [[ -n "${ZK_TOOL_GATEWAY:-}" ]]; then
        ip -n "$ZK_NS_TOOL" route add default via "$ZK_TOOL_GATEWAY" dev zkt0
    else
        ip -n "$ZK_NS_TOOL" route add default dev zkt0
    fi
    if [[ -n "${ZK_TOOL_DNS:-}" ]]; then
        # ip netns exec shows /etc/netns/<name>/resolv.conf as /etc/resolv.conf inside.
        mkdir -p "/etc/netns/$ZK_NS_TOOL"
        local server
        for server in $ZK_TOOL_DNS; do echo "nameserver $server"; done >"/etc/netns/$ZK_NS_TOOL/resolv.conf"
    fi
    ip -n "$ZK_NS_SIM" route add default dev zks0
    export ZK_NS_TOOL ZK_NS_SIM
}

zk_netns_add_adapter() {
    local index=$1 toolAddress=$2 simAddress=$3
    # Both ends are created inside their namespaces, so no name ever exists in the host's.
    ip link add "zkt$index" netns "$ZK_NS_TOOL" type veth peer name "zks$index" netns "$ZK_NS_SIM" ||
        zk_netns_die "cannot add the veth pair zkt$index/zks$index"
    ip -n "$ZK_NS_TOOL" addr add "$toolAddress" dev "zkt$index"
    ip -n "$ZK_NS_SIM" addr add "$simAddress" dev "zks$index"
    ip -n "$ZK_NS_TOOL" link set "zkt$index" up
    ip -n "$ZK_NS_SIM" link set "zks$index" up
}

zk_in_tool() { ip netns exec "$ZK_NS_TOOL" "$@"; }
zk_in_sim() { ip netns exec "$ZK_NS_SIM" "$@"; }

zk_sim_start() {
    local simulator=${ZKDEVSIM:-}
    [[ -n "$simulator" && -x "$simulator" ]] || zk_netns_die "set ZKDEVSIM to the zkdevsim program"
    ZK_SIM_READY=$(mktemp -u /tmp/zkdevsim-ready.XXXXXX)
    ip netns exec "$ZK_NS_SIM" "$simulator" --interface zks0 --ready-file "$ZK_SIM_READY" "$@" &
    ZK_SIM_PID=$!
    local waited=0
    until [[ -e "$ZK_SIM_READY" ]]; do
        kill -0 "$ZK_SIM_PID" 2>/dev/null || zk_netns_die "zkdevsim ended before it was ready"
        sleep 0.05
        waited=$((waited + 1))
        ((waited < 600)) || zk_netns_die "zkdevsim was not ready within 30 s"
    done
    rm -f "$ZK_SIM_READY"
    export ZK_SIM_PID
}

zk_netns_destroy() {
    if [[ -n "${ZK_SIM_PID:-}" ]]; then
        # The simulator's exit status must not stop the clean-up (errexit is on in callers).
        kill "$ZK_SIM_PID" 2>/dev/null && wait "$ZK_SIM_PID" 2>/dev/null || true
        ZK_SIM_PID=""
    fi
    [[ -n "${ZK_NS_TOOL:-}" ]] && rm -rf "/etc/netns/$ZK_NS_TOOL"
    [[ -n "${ZK_NS_TOOL:-}" ]] && ip netns del "$ZK_NS_TOOL" 2>/dev/null
    [[ -n "${ZK_NS_SIM:-}" ]] && ip netns del "$ZK_NS_SIM" 2>/dev/null
    ZK_NS_TOOL=""
    ZK_NS_SIM=""
    return 0
}
