#!/usr/bin/env bash
# Runs a test executable on a fresh Xvfb display of its own under the named window manager,
# and takes both down afterwards.
#   run-under-wm.sh <window manager> <test executable> [test arguments…]
# Exits 77 (skipped) when Xvfb or the window manager is not installed.
set -euo pipefail
wm=$1
shift
command -v Xvfb >/dev/null || { echo "Xvfb is missing (Debian package xvfb)"; exit 77; }
command -v "$wm" >/dev/null || { echo "$wm is missing (Debian package $wm)"; exit 77; }

work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    for pid in "${pids[@]}"; do
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT

# Xvfb picks a free display number itself and writes it to descriptor 3.
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
pids+=($!)
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.05
done
[ -s "$work/display" ] || { echo "Xvfb did not start"; cat "$work/xvfb.log"; exit 1; }
export DISPLAY=":$(head -n1 "$work/display")"

# A window manager of a plain session: no settings daemon, no session manager.
export HOME=$work XDG_CONFIG_HOME=$work/config XDG_CACHE_HOME=$work/cache
case $wm in
openbox) openbox --sm-disable >"$work/wm.log" 2>&1 & ;;
xfwm4)
    # It reads its settings over D-Bus and does not start without a session bus.
    command -v dbus-run-session >/dev/null || { echo "dbus-run-session is missing"; exit 77; }
    dbus-run-session -- xfwm4 --sm-client-disable >"$work/wm.log" 2>&1 &
    ;;
*) "$wm" >"$work/wm.log" 2>&1 & ;;
esac
pids+=($!)

export QT_QPA_PLATFORM=xcb KLV_TEST_WM=$wm
status=0
"$@" || status=$?
[ $status -eq 0 ] || { echo "--- $wm log"; cat "$work/wm.log"; }
exit $status
