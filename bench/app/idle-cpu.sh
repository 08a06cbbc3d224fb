#!/usr/bin/env bash
# Runs the real app for a minute three times under Xvfb — idle with the timer window hidden,
# with the window shown during a simulated slide show, and shown while connected to a scripted
# Ontime server on loopback (bench/ontime/scripted_ontime.py, its event running) — and reports
# the CPU time it used per minute, its peak resident memory and the requests the Ontime server
# received from it. Targets: idle < 0.3 s/min, shown < 1.5 s/min, < 60 MB.
#   bench/app/idle-cpu.sh [path/to/kalvane] [seconds]
set -euo pipefail
binary=${1:-build/release/kalvane}
seconds=${2:-60}
command -v xvfb-run >/dev/null || { echo "xvfb-run is missing (Debian package xvfb)"; exit 1; }

# Only loopback is ever contacted.
export KLV_SCAN_INTERFACES=en9=127.0.1.20/24
export KLV_STAGETIMER_CLOUD=http://127.0.0.1:9/v1
config=$(mktemp -d)
trap 'rm -rf "$config"' EXIT
export XDG_CONFIG_HOME=$config

ticks_per_second=$(getconf CLK_TCK)
here=$(cd "$(dirname "$0")" && pwd)

measure() {
    local label=$1; shift
    # The app quits a few seconds after the measurement, so it is still there to be read.
    xvfb-run -a "$binary" --quit-after $((seconds + 5)) "$@" &
    local runner=$!
    local pid=""
    for _ in $(seq 50); do
        pid=$(pgrep -n -f "^$binary --quit-after" || true)
        [ -n "$pid" ] && break
        sleep 0.1
    done
    [ -n "$pid" ] || { echo "$label: the app did not start"; wait "$runner" || true; return 1; }
    sleep 2 # start-up is not part of the steady state
    local start_cpu
    start_cpu=$(awk '{print $14 + $15}' "/proc/$pid/stat")
    sleep "$seconds"
    local end_cpu rss
    end_cpu=$(awk '{print $14 + $15}' "/proc/$pid/stat")
    rss=$(awk '/VmHWM/ {print $2}' "/proc/$pid/status")
    wait "$runner" || true
    awk -v label="$label" -v ticks=$((end_cpu - start_cpu)) -v hz="$ticks_per_second" \
        -v s="$seconds" -v rss="$rss" \
        'BEGIN { printf "%-40s CPU %.2f s per minute, peak RSS %.1f MB\n", label, ticks / hz * 60 / s, rss / 1024 }'
}

measure "idle (timer window hidden):"
measure "shown (simulated slide show running):" --simulate-show 1 --simulate-change-after 1

# The remembered server is reconnected to at the start, without a choice to make.
ontime_host=127.0.1.21
mkdir -p "$config/Tessaly"
printf '[General]\ntimerSource=ontime\nontimeEnabled=true\nontimeHost=%s\nontimePort=4001\n' \
    "$ontime_host" >"$config/Tessaly/Kalvane.ini"
python3 "$here/../ontime/scripted_ontime.py" --host "$ontime_host" --port 4001 --start \
    >"$config/ontime.log" &
server=$!
sleep 1.5
measure "shown, connected to Ontime:" --show-overlay
kill -TERM "$server"
wait "$server" || true
echo "  requests the Ontime server received:"
grep -v "^scripted" "$config/ontime.log" | sed 's/^/    /'
