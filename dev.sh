#!/usr/bin/env bash
# Sets up what Dotwright needs on Debian/Ubuntu, builds it, then runs it or its tests.
#   ./dev.sh run     install missing packages, build, start Dotwright
#   ./dev.sh test    install missing packages, build, run the whole test suite
#   ./dev.sh bench   build and run the benchmarks
#   ./dev.sh art     regenerate the skin images under src/image
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(cmake make g++ gcc qtbase5-dev qttools5-dev qttools5-dev-tools qttranslations5-l10n
          qt5-image-formats-plugins fonts-noto-cjk fonts-dejavu-core xvfb xauth xdotool libjpeg-turbo-progs imagemagick
          dpkg-dev file desktop-file-utils appstream lintian gcc-avr avr-libc binutils-avr)

install_missing() {
    local missing=()
    for p in "${PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    echo "Installing: ${missing[*]}"
    "${sudo[@]}" apt-get update
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
}

build() {
    cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
    cmake --build build -j"$(nproc)"
}

case "${1:-run}" in
run)
    install_missing
    build
    exec build/bin/dotwright
    ;;
test)
    install_missing
    build
    cd build && ctest --output-on-failure
    ;;
bench)
    install_missing
    build
    bench/run.sh build
    ;;
art)
    install_missing
    build
    QT_QPA_PLATFORM=offscreen build/tools/artgen src/image packaging/icons
    ;;
*)
    echo "usage: $0 run|test|bench|art" >&2
    exit 2
    ;;
esac
