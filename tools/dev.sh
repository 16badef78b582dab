#!/usr/bin/env bash
# Developer entry point: installs what is missing, builds and runs the application or the tests.
#   tools/dev.sh run        set up, build and start the application
#   tools/dev.sh test       set up, build and run every test
#   tools/dev.sh deps       install the Debian packages only
#   tools/dev.sh asan|tsan  sanitizer builds of the tests (all suites; threading suites)
#   tools/dev.sh format     check that the tree is formatted
#   tools/dev.sh cross      compile-check the Win32 serial backend with mingw-w64
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
jobs="$(nproc 2>/dev/null || echo 2)"

packages=(
    build-essential cmake ninja-build pkg-config git clang-format
    qt6-base-dev qt6-declarative-dev qt6-serialport-dev qt6-serialbus-dev libqt6serialbus6
    qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools qt6-5compat-dev libgl-dev
    qml6-module-qtquick qml6-module-qtquick-controls qml6-module-qtquick-layouts qml6-module-qtquick-window
    qml6-module-qtquick-dialogs qml6-module-qtquick-templates qml6-module-qtqml qml6-module-qtqml-workerscript
    qml6-module-qt5compat-graphicaleffects qml6-module-qttest qt6-qpa-plugins
    libqt6svg6 qt6-translations-l10n libqcustomplot-dev libmodbus-dev g++-mingw-w64-x86-64-posix
)

deps() {
    local missing=()
    for p in "${packages[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    echo "Installing: ${missing[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
}

build() { # build DIR [cmake args...]
    local dir="$1"; shift
    cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
    cmake --build "$dir" -j "$jobs"
}

run_ctest() { # DIR [ctest args...]
    local dir="$1"; shift
    (cd "$dir" && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$jobs" "$@")
}

case "${1:-}" in
    deps) deps ;;
    run)
        deps
        build "$root/build"
        exec "$root/build/src/kelvora-amplifier-manager"
        ;;
    test)
        deps
        build "$root/build"
        run_ctest "$root/build"
        ;;
    asan)
        deps
        build "$root/build-asan" -DKELVORA_SANITIZE="address;undefined" -DKELVORA_BUILD_BENCH=OFF
        ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
            run_ctest "$root/build-asan"
        ;;
    tsan)
        deps
        # Only the threading suites run under ThreadSanitizer, so only they (and what they need) are built.
        cmake -S "$root" -B "$root/build-tsan" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
            -DKELVORA_SANITIZE=thread -DKELVORA_BUILD_BENCH=OFF >/dev/null
        mapfile -t suites < <(cd "$root/build-tsan" && ctest -N -L threading | sed -n 's/^ *Test *#[0-9]*: //p')
        if [ ${#suites[@]} -eq 0 ]; then
            echo "tsan: no threading suites"
            exit 0
        fi
        cmake --build "$root/build-tsan" -j "$jobs" --target "${suites[@]}"
        TSAN_OPTIONS="suppressions=$root/tests/tsan.supp halt_on_error=1 second_deadlock_stack=1" \
            run_ctest "$root/build-tsan" -L threading
        ;;
    format)
        files=$(git ls-files '*.cpp' '*.h')
        [ -z "$files" ] && exit 0
        # shellcheck disable=SC2086
        clang-format --dry-run --Werror $files
        echo "format: clean"
        ;;
    cross)
        deps
        shopt -s nullglob
        for f in src/amplifiers/*/*_win32.cpp; do
            x86_64-w64-mingw32-g++-posix -std=c++17 -Wall -Wextra -Werror -fsyntax-only -Isrc "$f"
            echo "win32 compile check: $f"
        done
        ;;
    *)
        sed -n '2,9p' "$0"
        exit 2
        ;;
esac
