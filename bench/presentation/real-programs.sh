#!/usr/bin/env bash
# Runs the real presentation programs (LibreOffice Impress, Okular, pdfpc) under Xvfb, Openbox
# and a session bus of their own, moves through the slides with xdotool, and prints the events
# that `kalvane watch presentation` saw and how long after each key press they came.
#   bench/presentation/real-programs.sh [path/to/kalvane] [impress okular pdfpc]
# Needs (Debian): xvfb openbox xdotool dbus-daemon at-spi2-core, and the programs to run:
#   libreoffice-impress libreoffice-gtk3 okular pdf-presenter-console
# Not run by CI: the programs are large, and the numbers are for a person to read.
set -uo pipefail
binary=$(realpath "${1:-build/release/kalvane}")
activate=$(dirname "$binary")/bench/presentation/bench_activate_show_window
shift || true
programs=${*:-impress okular pdfpc}

for tool in Xvfb openbox xdotool dbus-daemon python3; do
    command -v $tool >/dev/null || { echo "missing: $tool"; exit 1; }
done

# Only loopback is ever contacted; everything the programs write goes to a throwaway home.
export KLV_SCAN_INTERFACES=en9=127.0.1.20/24
export KLV_STAGETIMER_CLOUD=http://127.0.0.1:9/v1
work=$(mktemp -d)
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_RUNTIME_DIR=$work/run
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
unset AT_SPI_BUS_ADDRESS KLV_POWERPOINT_SCRIPT

pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    [ -n "${bus_pid:-}" ] && kill "$bus_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

# A five-slide deck: flat ODF for Impress, and a plain PDF for the two PDF programs.
python3 - "$work" <<'PY'
import sys
work = sys.argv[1]
pages = "".join(
    f'<draw:page draw:name="s{i}"><draw:frame svg:x="2cm" svg:y="2cm" svg:width="20cm" '
    f'svg:height="3cm"><draw:text-box><text:p>Slide {i}</text:p></draw:text-box></draw:frame>'
    f'</draw:page>' for i in range(1, 6))
open(f"{work}/deck.fodp", "w").write(
    '<?xml version="1.0" encoding="UTF-8"?><office:document '
    'xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" '
    'xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0" '
    'xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" '
    'xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0" '
    'office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.presentation">'
    f'<office:body><office:presentation>{pages}</office:presentation></office:body>'
    '</office:document>')
objects = ["<< /Type /Catalog /Pages 2 0 R >>", None,
           "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>"]
kids = []
for i in range(1, 6):
    text = f"BT /F1 96 Tf 200 250 Td (Slide {i}) Tj ET".encode()
    objects.append(f"<< /Length {len(text)} >>\nstream\n{text.decode()}\nendstream")
    objects.append("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 800 600] "
                   f"/Resources << /Font << /F1 3 0 R >> >> /Contents {len(objects)} 0 R >>")
    kids.append(f"{len(objects)} 0 R")
objects[1] = f"<< /Type /Pages /Kids [{' '.join(kids)}] /Count 5 >>"
out, offsets = b"%PDF-1.4\n", []
for number, body in enumerate(objects, 1):
    offsets.append(len(out))
    out += f"{number} 0 obj\n{body}\nendobj\n".encode()
xref = len(out)
out += f"xref\n0 {len(objects) + 1}\n0000000000 65535 f \n".encode()
out += "".join(f"{o:010d} 00000 n \n" for o in offsets).encode()
out += f"trailer\n<< /Size {len(objects) + 1} /Root 1 0 R >>\nstartxref\n{xref}\n%%EOF\n".encode()
open(f"{work}/deck.pdf", "wb").write(out)
PY

# A display, a session bus (the accessibility bus is started from it on demand) and a
# window manager.
display=:$((90 + RANDOM % 100))
Xvfb $display -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
export DISPLAY=$display
for _ in $(seq 50); do xdotool getmouselocation >/dev/null 2>&1 && break; sleep 0.1; done
read -r DBUS_SESSION_BUS_ADDRESS bus_pid < <(dbus-daemon --session --fork --print-address=1 \
    --print-pid=1 | paste -sd' ')
export DBUS_SESSION_BUS_ADDRESS
openbox >/dev/null 2>&1 &
pids+=($!)
sleep 1

now() { date +%s.%N; }

# Waits up to $2 seconds for the log to hold $1 lines.
wait_lines() {
    for _ in $(seq $(($2 * 10))); do
        [ "$(wc -l <"$log")" -ge "$1" ] && return 0
        sleep 0.1
    done
    return 1
}

run_program() {
    local name=$1
    log=$work/$name.events
    : >"$log"
    # Each line of the watcher, stamped when it arrives.
    "$binary" watch presentation 2>/dev/null > >(python3 -u -c '
import sys, time
for line in sys.stdin:
    print("%.3f %s" % (time.time(), line.rstrip()), flush=True)' >"$log") &
    local watch=$!
    pids+=($watch)
    sleep 1

    local started
    started=$(now)
    case $name in
    impress) soffice --norestore --nologo --show "$work/deck.fodp" >/dev/null 2>&1 & ;;
    okular) okular --presentation "$work/deck.pdf" >/dev/null 2>&1 & ;;
    pdfpc) pdfpc --single-screen "$work/deck.pdf" >/dev/null 2>&1 & ;;
    esac
    local program=$!
    pids+=($program)
    if ! wait_lines 1 60; then
        echo "$name: no show seen within 60 s"
        return
    fi
    # Okular greets its presentation mode with a dialog, which takes the keys until closed.
    if [ "$name" = okular ]; then
        for _ in $(seq 50); do
            dialog=$(xdotool search --name '^Information' 2>/dev/null | head -1)
            [ -n "$dialog" ] && xdotool windowactivate --sync "$dialog" key Return 2>/dev/null && break
            sleep 0.1
        done
    fi
    sleep 1
    local presses=()
    for key in Right Right Right Left; do
        presses+=("$(now) $key")
        xdotool key $key
        sleep 1.5
    done
    # Give the focus to another window of the desktop, then let the platform give it back to
    # the show, as the app does after its own windows close.
    local show_window other="" focus_result="skipped (no tool)"
    show_window=$(xdotool getactivewindow 2>/dev/null)
    if [ -x "$activate" ] && [ -n "$show_window" ]; then
        for w in $(xdotool search --onlyvisible --name . 2>/dev/null); do
            [ "$w" != "$show_window" ] && xdotool windowactivate --sync "$w" 2>/dev/null &&
                other=$w && break
        done
        if [ -z "$other" ]; then
            focus_result="skipped (no other window to take the focus)"
        else
            sleep 1 # a person takes longer than that in the app's window
            "$activate" >/dev/null
            sleep 0.5
            if [ "$(xdotool getactivewindow 2>/dev/null)" = "$show_window" ]; then
                focus_result="back on the show window"
            else
                focus_result="NOT back on the show window: $(xdotool getactivewindow getwindowname 2>/dev/null)"
            fi
        fi
    fi
    local ended
    ended=$(now)
    case $name in
    impress | okular) xdotool key Escape ;;
    pdfpc) kill $program ;;
    esac
    wait_lines $((${#presses[@]} + 2)) 10
    sleep 1
    [ "$name" = impress ] && kill $program 2>/dev/null
    [ "$name" = okular ] && kill $program 2>/dev/null
    kill $watch 2>/dev/null

    echo "== $name"
    echo "  focus     -> $focus_result"
    python3 - "$log" "$started" "$ended" "${presses[@]}" <<'PY'
import json, sys
log, started, ended = sys.argv[1], float(sys.argv[2]), float(sys.argv[3])
presses = [(float(p.split()[0]), p.split()[1]) for p in sys.argv[4:]]
events = []
for line in open(log):
    stamp, _, text = line.partition(" ")
    events.append((float(stamp), json.loads(text)))
for stamp, event in events:
    print("  %7.3f s  %s" % (stamp - started, json.dumps(event, separators=(",", ":"))))
for i, (stamp, key) in enumerate(presses):
    limit = presses[i + 1][0] if i + 1 < len(presses) else ended
    seen = [e for e in events if stamp <= e[0] < limit and e[1]["event"] == "change"]
    delay = "%4.0f ms" % ((seen[0][0] - stamp) * 1000) if seen else "no change seen"
    print("  key %-5s -> %s" % (key, delay))
ends = [e for e in events if e[1]["event"] == "end" and e[0] >= ended]
print("  quit      -> %s" % ("%4.0f ms" % ((ends[0][0] - ended) * 1000) if ends else "no end seen"))
PY
}

for name in $programs; do
    case $name in
    impress) command -v soffice >/dev/null || { echo "== impress: not installed"; continue; } ;;
    okular) command -v okular >/dev/null || { echo "== okular: not installed"; continue; } ;;
    pdfpc) command -v pdfpc >/dev/null || { echo "== pdfpc: not installed"; continue; } ;;
    *) echo "unknown program $name"; continue ;;
    esac
    run_program "$name"
done
