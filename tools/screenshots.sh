#!/usr/bin/env bash
# Pictures of the program for the README, taken under Xvfb: the program's window with simulated amplifiers on
# the main screen, the calibration page, the filter and recording popups, Settings in a dark theme, About and a
# finished Amplifier QA run. Saved as PNG files under docs/.
#   tools/screenshots.sh [BUILD_DIR]     (default build/; the Debian packages come from tools/dev.sh deps)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build}"

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target tst_qml kelvora-sim
mkdir -p "$root/docs"

# The software renderer draws the same picture on every machine, GPU or not.
KELVORA_SHOTS_DIR="$root/docs" QT_QPA_PLATFORM=xcb QT_QUICK_BACKEND=software LANG=C.UTF-8 \
    xvfb-run -a -s "-screen 0 1600x1000x24" \
    "$build/tests/qml/tst_qml" -input "$root/tools/screenshots/tour.qml"
ls -1 "$root/docs"/*.png
