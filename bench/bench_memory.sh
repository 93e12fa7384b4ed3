#!/usr/bin/env bash
# G5: peak memory (VmHWM) of the real program opening a 50-megapixel JPEG the
# way a user does: the main window's open button, the file dialog, the
# selection dialog wheeled up to level 25, OK. Each run has an Xvfb of its
# own; the goal is the median over the runs against the 24-bit picture size.
#
#   bench/bench_memory.sh [build folder]     needs Xvfb and xdotool
set -uo pipefail
build=$(cd "${1:-$(dirname "$0")/../build}" && pwd)
runs=3
goal=2.0
width=8660
height=5774

for tool in Xvfb xdotool; do
    command -v "$tool" >/dev/null || { echo "bench_memory: $tool is missing" >&2; exit 1; }
done
photo=$(QT_QPA_PLATFORM=offscreen "$build/bench/bench_select" --photo $width $height 2>/dev/null) \
    || { echo "bench_memory: no test photo" >&2; exit 1; }

xvfb_pid=
program_pid=
cleanup() {
    [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null && wait "$program_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
    program_pid=
    xvfb_pid=
}
trap cleanup EXIT

field() { # field NAME: kilobytes of a /proc/PID/status line
    awk -v key="$1:" '$1 == key { print $2 }' "/proc/$program_pid/status"
}

# The window of the program that is 900 x 556: the selection dialog.
selection_dialog() {
    for window in $(xdotool search --onlyvisible --pid "$program_pid" 2>/dev/null); do
        if xdotool getwindowgeometry "$window" | grep -q 'Geometry: 1210x556'; then
            echo "$window"
            return 0
        fi
    done
    return 1
}

wait_for() { # wait_for SECONDS COMMAND...: until COMMAND succeeds
    local until=$((SECONDS + $1))
    shift
    until "$@" >/dev/null; do
        [ $SECONDS -ge $until ] && return 1
        sleep 0.1
    done
}

one_run() {
    local display_file
    display_file=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$display_file" >/dev/null 2>&1 &
    xvfb_pid=$!
    wait_for 20 test -s "$display_file" || { echo "Xvfb did not start" >&2; return 1; }
    export DISPLAY=":$(cat "$display_file")"
    rm -f "$display_file"

    QT_QPA_PLATFORM=xcb QT_LOGGING_RULES="default.debug=false" "$build/bin/dotwright" >/dev/null 2>&1 &
    program_pid=$!
    local main dialog
    main=$(timeout 30 xdotool search --sync --onlyvisible --pid "$program_pid" | head -1)
    [ -n "$main" ] || { echo "no main window" >&2; return 1; }
    sleep 0.5
    idle=$(field VmRSS)

    xdotool mousemove --window "$main" 295 126 click 1 # the open button
    dialog=$(timeout 30 xdotool search --sync --onlyvisible --name '^Open$' | head -1)
    [ -n "$dialog" ] || { echo "no file dialog" >&2; return 1; }
    xdotool windowfocus --sync "$dialog"
    sleep 0.3
    xdotool type --delay 2 "$photo"
    xdotool key Return

    wait_for 60 selection_dialog || { echo "no selection dialog" >&2; return 1; }
    dialog=$(selection_dialog)
    xdotool mousemove --window "$dialog" 450 269 # over the view
    for _ in $(seq 24); do # level 5 to 25, a notch at a time
        xdotool click 4
        sleep 0.1
    done
    sleep 0.5
    xdotool mousemove --window "$dialog" 1051 523 click 1 # OK
    wait_for 30 eval '! selection_dialog' || { echo "the selection dialog stays" >&2; return 1; }
    sleep 0.5
    peak=$(field VmHWM)
    cleanup
}

size24=$((width * height * 3 / 1024))
peaks=()
echo "bench_memory: dotwright opening a ${width} x ${height} JPEG under Xvfb, level 25, OK;" \
     "load average $(cut -d' ' -f1-3 /proc/loadavg)"
for run in $(seq $runs); do
    if ! one_run; then
        echo "  run $run failed"
        exit 1
    fi
    printf '  run %d: idle %d MiB, peak %d MiB\n' "$run" $((idle / 1024)) $((peak / 1024))
    peaks+=("$peak")
done
median=$(printf '%s\n' "${peaks[@]}" | sort -n | sed -n "$(((runs + 1) / 2))p")
awk -v peak="$median" -v size="$size24" -v goal=$goal 'BEGIN {
    ratio = peak / size
    printf "  %-40s %6.0f MiB (24-bit picture %.0f MiB) %6.2fx  <=%.2f %s\n",
           "G5 peak memory of dotwright, median", peak / 1024, size / 1024, ratio, goal,
           ratio <= goal ? "ok" : "MISSED"
}'
