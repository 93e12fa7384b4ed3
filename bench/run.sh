#!/usr/bin/env bash
# Every benchmark, headless, one after the other; each prints its goals with a
# verdict. Exits 1 when a goal is missed. Build first (cmake --build build).
#
#   bench/run.sh [build folder]
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build}" && pwd)
export QT_QPA_PLATFORM=offscreen
export QT_LOGGING_RULES="default.debug=false"
log=$(mktemp)
trap 'rm -f "$log"' EXIT

# Qt Test's own bookkeeping lines say nothing about the goals.
quiet() { grep -v -e '^PASS' -e '^Totals' -e '^Config' -e '^\*\*\*\*' -e 'XDG_RUNTIME_DIR'; }

{
    echo "machine: $(nproc) cores, transparent huge pages $(cat /sys/kernel/mm/transparent_hugepage/enabled 2>/dev/null)"
    "$build/bench/bench_select" 2>&1 | quiet
    "$build/bench/bench_preview" 2>&1 | quiet
    "$build/bench/bench_refresh" summary 2>&1 | quiet
    echo "bench_stroke: a stroke under way (figures, no goals)"
    "$build/bench/bench_stroke" 2>&1 | quiet
    "$build/bench/bench_convert" 2>&1 | quiet
    "$here/bench_memory.sh" "$build" 2>&1
} | tee "$log"

missed=$(grep -c -e 'MISSED' -e 'failed' "$log")
echo "goals missed or not measured: $missed; load average now $(cut -d' ' -f1-3 /proc/loadavg)"
[ "$missed" -eq 0 ]
