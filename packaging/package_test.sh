#!/bin/sh
# Builds the .deb with cpack, validates it (desktop-file-validate, appstreamcli,
# lintian), checks its file list, unpacks it into a scratch root and starts the
# installed program headless to see that it finds its files.
#   package_test.sh BUILD_DIR WORK_DIR [CPACK]
# Exit status: 0 passed, 1 failed, 77 skipped (a tool is missing).
set -u

build=$1
work=$2
cpack=${3:-cpack}
failures=0

fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

for tool in "$cpack" dpkg-deb dpkg-shlibdeps file desktop-file-validate appstreamcli lintian timeout; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "SKIP: $tool is not installed (Debian: dpkg-dev, file, desktop-file-utils, appstream, lintian)"
        exit 77
    fi
done

rm -rf "$work"
mkdir -p "$work/home"

# -- Build ------------------------------------------------------------------
if ! (cd "$build" && "$cpack" -G DEB -B "$work/cpack") >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log"
    echo "FAIL: cpack could not build the package"
    exit 1
fi
set -- "$work"/cpack/dotwright_*.deb
if [ $# -ne 1 ] || [ ! -f "$1" ]; then
    echo "FAIL: expected one dotwright_*.deb in $work/cpack, found: $*"
    exit 1
fi
deb=$1
echo "built $(basename "$deb")"

# -- File list ----------------------------------------------------------------
dpkg-deb -c "$deb" | awk '{ $1 = $2 = $3 = $4 = $5 = ""; sub(/^ +/, ""); print }' >"$work/contents"
has() {
    grep -qxF -- "$1" "$work/contents" || fail "the package lacks $1"
}
lib=./usr/lib/dotwright
has "$lib/dotwright"
has "./usr/bin/dotwright -> ../lib/dotwright/dotwright"
for file in template.txt templates/template_u8g2.txt help.html language_zh_CN.qm qt_zh_CN.qm; do
    has "$lib/$file"
done
has ./usr/share/applications/dotwright.desktop
for size in 16 24 32 48 64 128 256; do
    has "./usr/share/icons/hicolor/${size}x$size/apps/dotwright.png"
done
has ./usr/share/metainfo/org.example.dotwright.metainfo.xml
has ./usr/share/man/man1/dotwright.1.gz
has ./usr/share/doc/dotwright/copyright
has ./usr/share/doc/dotwright/changelog.Debian.gz
dpkg-deb -f "$deb" Depends | grep -q libqt5widgets5 || fail "Depends does not name the toolkit: $(dpkg-deb -f "$deb" Depends)"

# -- Validators ---------------------------------------------------------------
root=$work/root
dpkg -x "$deb" "$root"
desktop-file-validate "$root/usr/share/applications/dotwright.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net --strict --no-color "$root/usr/share/metainfo/org.example.dotwright.metainfo.xml" ||
    fail "appstreamcli validate"
# Tags the package's own overrides accept are not shown.
lintian --fail-on error,warning --display-info "$deb" >"$work/lintian.log" 2>&1
status=$?
grep -v '^running with root privileges' "$work/lintian.log"
[ $status -eq 0 ] || fail "lintian reports errors or warnings"

# -- The installed program finds its files ------------------------------------
log=$work/run.log
HOME=$work/home XDG_CONFIG_HOME= QT_QPA_PLATFORM=offscreen timeout 20 "$root/usr/bin/dotwright" 2>"$log" >/dev/null &
pid=$!
line=
tries=0
while [ $tries -lt 50 ]; do
    line=$(grep -m1 '^data folder ' "$log")
    [ -n "$line" ] && break
    kill -0 $pid 2>/dev/null || break
    sleep 0.1
    tries=$((tries + 1))
done
if kill -0 $pid 2>/dev/null; then
    kill $pid
    wait $pid 2>/dev/null
else
    wait $pid
    status=$?
    cat "$log"
    fail "the installed program ended at start (status $status)"
fi
data=$(cd "$root/usr/lib/dotwright" && pwd -P)
if [ -z "$line" ]; then
    echo "NOTICE: the program logs no line 'data folder <dir>: <names>' yet; it should read"
    echo "        data folder $data: template.txt help.html language_zh_CN.qm qt_zh_CN.qm"
else
    echo "program: $line"
    dir=${line#data folder }
    dir=${dir%%: *}
    found=${line#*: }
    [ "$(cd "$dir" 2>/dev/null && pwd -P)" = "$data" ] || fail "the program looks in $dir, not $data"
    expected=
    for name in template.txt help.html help_zh_CN.html language_zh_CN.qm qt_zh_CN.qm; do
        [ -f "$data/$name" ] && expected="$expected $name"
    done
    [ "$(echo $found | tr ' ' '\n' | sort)" = "$(echo $expected | tr ' ' '\n' | sort)" ] ||
        fail "the program found '$found' of '$expected'"
fi

[ $failures -eq 0 ] || exit 1
echo "package test passed"
