#!/usr/bin/env bash
# Pictures of the program for the README, taken under Xvfb: the program's window with simulated amplifiers on
# the main screen, the calibration page, the filter, multi-point and recording popups, a recording under way,
# Settings in a dark theme, About, a backup's dry run, a finished calibration check and the first page of its
# report (with pdftoppm), the Link screen and a finished Amplifier QA run. Saved as PNG files under docs/.
#   tools/screenshots.sh [BUILD_DIR]            (default build/; the Debian packages come from tools/dev.sh deps)
#   tools/screenshots.sh --matrix [BUILD_DIR]   the same walk at 1024x640 and 1600x1000, in English and French,
#                                               light and dark, into BUILD_DIR/screenshots/SIZE-en|fr-THEME/
#                                               (for checking by eye that nothing is cut; docs/ is left alone)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
matrix=0
if [ "${1:-}" = "--matrix" ]; then
    matrix=1
    shift
fi
build="${1:-$root/build}"

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target tst_qml kelvora-sim

# One walk: folder, window size, language, theme. The software renderer draws the same picture on every
# machine, GPU or not.
tour() {
    mkdir -p "$1"
    KELVORA_SHOTS_DIR="$1" KELVORA_SHOTS_SIZE="$2" KELVORA_SHOTS_LANGUAGE="$3" KELVORA_SHOTS_THEME="$4" \
        QT_QPA_PLATFORM=xcb QT_QUICK_BACKEND=software LANG=C.UTF-8 \
        xvfb-run -a -s "-screen 0 1700x1100x24" \
        "$build/tests/qml/tst_qml" -input "$root/tools/screenshots/tour.qml"
    # The check's report, first page, as the tour wrote it; its readings file goes with it.
    local report
    report="$(ls -1t "$1"/check_*.pdf | head -n 1)"
    if command -v pdftoppm >/dev/null; then
        pdftoppm -png -r 60 -f 1 -l 1 -singlefile "$report" "$1/check-report"
    else
        echo "pdftoppm not found (poppler-utils): $1/check-report.png left as it was" >&2
    fi
    rm -f "$1"/check_*.pdf "$1"/check_*.csv
    ls -1 "$1"/*.png
}

if [ "$matrix" = 0 ]; then
    tour "$root/docs" 1280x720 English light
    exit 0
fi
for size in 1024x640 1600x1000; do
    for language in en:English fr:Français; do
        for theme in light dark; do
            tour "$build/screenshots/$size-${language%%:*}-$theme" "$size" "${language#*:}" "$theme"
        done
    done
done
