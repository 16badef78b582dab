#!/usr/bin/env bash
# Developer entry point: installs what is missing, builds and runs the application or the tests.
#   tools/dev.sh run        set up, build and start the application with simulated amplifiers
#   tools/dev.sh run --hardware   the same without simulators, for real amplifiers
#   tools/dev.sh test       set up, build and run every test
#   tools/dev.sh deps       install the Debian packages only
#   tools/dev.sh asan|tsan  sanitizer builds of the tests (all suites; threading suites)
#   tools/dev.sh format     check that the tree is formatted
#   tools/dev.sh cross      compile-check the Win32 serial backend with mingw-w64
#   tools/dev.sh package    build the Debian package into build-package/
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
    qml6-module-qt-labs-folderlistmodel xvfb xauth fonts-wqy-microhei libhpdf-dev poppler-utils
)

# Building and checking the Debian package (dpkg-dev: dpkg-shlibdeps and dpkg-buildflags; help2man: manual pages).
package_packages=(dpkg-dev file help2man lintian desktop-file-utils appstream)

deps() { # [package...]: default the build and test set
    [ $# -eq 0 ] && set -- "${packages[@]}"
    local missing=()
    for p in "$@"; do
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

# One simulated RS232 amplifier, one RS485 line with ids 1, 2 and 3 (both announced, so the port list offers
# them) and CANopen nodes 1 and 2 on the virtual CAN bus, unless KELVORA_CAN_PLUGIN names another bus. Each
# reads its commands from a named pipe in $ctl; this shell holds the pipes open, and so does the program it
# becomes, so a command written there never ends a simulator.
start_simulators() {
    local sim="$root/build/tools/kelvora-sim/kelvora-sim" cansim="$root/build/tools/kelvora-can-sim/kelvora-can-sim"
    local ctl="${XDG_RUNTIME_DIR:-/tmp}/kelvora-simulators-$(id -u)" name
    mkdir -p "$ctl"
    for name in rs232 rs485 can; do
        rm -f "$ctl/$name" "$ctl/$name.log"
        mkfifo "$ctl/$name"
    done
    exec 7<>"$ctl/rs232" 8<>"$ctl/rs485" 9<>"$ctl/can"
    "$sim" --ids 1 --announce --parent $$ <"$ctl/rs232" >"$ctl/rs232.log" &
    "$sim" --ids 1,2,3 --announce --parent $$ <"$ctl/rs485" >"$ctl/rs485.log" &
    export KELVORA_CAN_PLUGIN="${KELVORA_CAN_PLUGIN:-virtualcan}"
    "$cansim" --plugin "$KELVORA_CAN_PLUGIN" --interface "${KELVORA_CAN_INTERFACE:-can0}" --node 1 --node 2 \
        --parent $$ <"$ctl/can" >"$ctl/can.log" &
    local i
    for i in $(seq 100); do
        grep -q '^PORT ' "$ctl/rs232.log" && grep -q '^PORT ' "$ctl/rs485.log" && grep -q '^READY ' "$ctl/can.log" &&
            break
        sleep 0.1
    done
    echo "Simulated RS232 amplifier:       $(sed -n 's/^PORT //p' "$ctl/rs232.log")"
    echo "Simulated RS485 line (ids 1-3):  $(sed -n 's/^PORT //p' "$ctl/rs485.log")"
    echo "Simulated CANopen nodes 1 and 2: $(sed -n 's/^READY nodes [0-9,]* on //p' "$ctl/can.log")"
    echo "Change the load:  echo 'load 2 400000' > $ctl/rs485   (RS232: $ctl/rs232 'load 1 ...'; CANopen:"
    echo "                  echo '@1 load 2000' > $ctl/can); the answers go to the .log file beside each."
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
        [ "${2:-}" = "--hardware" ] || start_simulators
        # The program takes this shell's process id, so the simulators (started with --parent $$) end with
        # it, however it ends.
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
        for f in src/*/*_win32.cpp src/*/*/*_win32.cpp; do
            x86_64-w64-mingw32-g++-posix -std=c++17 -Wall -Wextra -Werror -fsyntax-only -Isrc "$f"
            echo "win32 compile check: $f"
        done
        ;;
    package)
        deps
        deps "${package_packages[@]}"
        (
            # Debian's hardening flags (fortify, stack protector, full RELRO, PIE), as a Debian build uses.
            eval "$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --export=sh)"
            # The About screen shows the build date: it is the last commit's, so that a rebuild is identical.
            export CXXFLAGS="$CPPFLAGS $CXXFLAGS -Wno-date-time"
            SOURCE_DATE_EPOCH="$(git log -1 --format=%ct 2>/dev/null || date +%s)"
            export SOURCE_DATE_EPOCH
            build "$root/build-package" -DCMAKE_BUILD_TYPE=Release -DKELVORA_BUILD_TESTS=OFF \
                -DKELVORA_BUILD_BENCH=OFF -DKELVORA_MAN_PAGES=ON
        )
        rm -f "$root"/build-package/*.deb
        (cd "$root/build-package" && cpack -G DEB >/dev/null)
        ls "$root"/build-package/*.deb
        ;;
    *)
        sed -n '2,10p' "$0"
        exit 2
        ;;
esac
