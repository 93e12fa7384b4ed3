#!/usr/bin/env bash
# Plants each fault of tools/mutants/*.patch, one at a time, in a scratch copy
# of the tree, rebuilds what the fault's tests need, runs those tests, and says
# whether they caught it. A test suite earns its lines by the faults it catches.
#
#   tools/mutants.sh [PATCH...]     all of tools/mutants/ when none is named
#
# A patch is a unified diff (patch -p1) headed by two lines that patch skips:
#   # fault: what the planted line gets wrong
#   # tests: the test programs that must catch it (ctest names)
# Exits 1 when a fault is missed or a patch no longer applies.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
scratch=${MUTANTS_DIR:-/tmp/dotwright-mutants}
jobs=$(nproc)

patches=("$@")
[ ${#patches[@]} -eq 0 ] && patches=("$root"/tools/mutants/*.patch)

# The copy is brought in step file by file: a changed file is written anew, so
# it is newer than anything built from it, and the rest of a build left from
# an earlier run is reused. A patch left applied by an interrupted run goes too.
mkdir -p "$scratch/tree"
cd "$scratch/tree"
(cd "$root" && find . -path ./.git -prune -o -path './build*' -prune -o -type f -print) |
    while IFS= read -r file; do
        cmp -s "$root/$file" "$file" || { mkdir -p "$(dirname "$file")" && cp "$root/$file" "$file"; }
    done
find . -type f | while IFS= read -r file; do [ -e "$root/$file" ] || rm -f "$file"; done
echo "building the scratch copy in $scratch/build ..."
cmake -S . -B ../build -DCMAKE_BUILD_TYPE=Release >/dev/null || exit 2
cmake --build ../build -j"$jobs" >/dev/null 2>&1 || { echo "the unchanged tree does not build"; exit 2; }

caught=0
missed=0
broken=0
for patch in "${patches[@]}"; do
    name=$(basename "$patch" .patch)
    fault=$(sed -n 's/^# fault: //p' "$patch")
    tests=$(sed -n 's/^# tests: //p' "$patch")
    if ! patch -p1 --dry-run -s <"$patch" >/dev/null 2>&1; then
        echo "BROKEN  $name: the patch no longer applies"
        broken=$((broken + 1))
        continue
    fi
    patch -p1 -s <"$patch" >/dev/null
    regex="^($(echo "$tests" | tr ' ' '|'))\$"
    verdict=missed
    if ! cmake --build ../build -j"$jobs" --target $tests >/dev/null 2>&1; then
        verdict="caught (does not build)"
    elif ! (cd ../build && ctest -R "$regex" -j"$jobs" --timeout 300 >/dev/null 2>&1); then
        verdict=caught
    fi
    patch -p1 -R -s <"$patch" >/dev/null
    if [ "$verdict" = missed ]; then
        missed=$((missed + 1))
        echo "MISSED  $name: $fault [$tests]"
    else
        caught=$((caught + 1))
        echo "$verdict  $name: $fault [$tests]" | sed 's/^caught/CAUGHT/'
    fi
done
echo "caught $caught, missed $missed, broken $broken of ${#patches[@]}"
[ "$missed" -eq 0 ] && [ "$broken" -eq 0 ]
