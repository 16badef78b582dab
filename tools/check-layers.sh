#!/usr/bin/env bash
# Keeps the layers honest. Run by CTest.
#
#   tools/check-layers.sh sources ROOT QT_HEADERS   a file including a higher layer, or a file below the
#                                                    application including a Qt Gui, Qml, Quick, Widgets or
#                                                    PrintSupport header or QCustomPlot, fails with its line
#   tools/check-layers.sh libraries PROGRAM...      a program loading Qt Gui, Qml, Quick or Widgets fails
#
# Layers, lowest first: src/protocol, src/link, src/device, src/app. The tools sit on the layer they link:
# kelvora-sim and kelvora-can-sim on link, kelvora-cli on device.
set -uo pipefail

rank() {
    case $1 in
    protocol) echo 0 ;;
    link) echo 1 ;;
    device) echo 2 ;;
    app) echo 3 ;;
    *) echo -1 ;;
    esac
}

layer_of() {
    case $1 in
    src/*/*) local rest=${1#src/}; echo "${rest%%/*}" ;;
    tools/kelvora-sim/* | tools/kelvora-can-sim/*) echo link ;;
    tools/kelvora-cli/*) echo device ;;
    tools/common/*) echo protocol ;;
    *) echo none ;;
    esac
}

check_sources() {
    local root=$1 qt=$2
    cd "$root" || exit 2
    local -A gui=()
    local module name
    for module in QtGui QtQml QtQuick QtQuickControls2 QtQuickTest QtWidgets QtPrintSupport QtOpenGL; do
        [[ -d $qt/$module ]] || continue
        for name in "$qt/$module"/*; do
            gui[$(basename "$name")]=$module
        done
    done
    if [[ ${#gui[@]} -eq 0 ]]; then
        echo "no Qt Gui headers under $qt: cannot tell GUI headers apart" >&2
        exit 2
    fi
    local failures=0 file layer own line number text included target
    while IFS= read -r -d '' file; do
        layer=$(layer_of "$file")
        own=$(rank "$layer")
        [[ $own -ge 0 ]] || continue
        while IFS= read -r line; do
            number=${line%%:*}
            text=${line#*:}
            if [[ $text =~ \"([^\"]+)\" ]]; then
                included=${BASH_REMATCH[1]}
                target=${included%%/*}
                if [[ $included == */* && $(rank "$target") -gt $own ]]; then
                    echo "$file:$number: $layer includes $included, of the higher layer $target"
                    failures=$((failures + 1))
                fi
            elif [[ $layer != app && $text =~ \<([^\>]+)\> ]]; then
                included=${BASH_REMATCH[1]}
                module=${gui[$(basename "$included")]:-}
                [[ $included == */* && ${included%%/*} != "$module" ]] && module=""
                [[ $included =~ ^(QtGui|QtQml|QtQuick|QtQuickControls2|QtWidgets|QtPrintSupport|QtOpenGL)/ ]] &&
                    module=${included%%/*}
                [[ ${included,,} == qcustomplot.h ]] && module=QCustomPlot
                if [[ -n $module ]]; then
                    echo "$file:$number: $layer includes <$included> ($module); only src/app may"
                    failures=$((failures + 1))
                fi
            fi
        done < <(grep -nE '^[[:space:]]*#[[:space:]]*include' "$file")
    done < <(find src tools -type f \( -name '*.cpp' -o -name '*.h' \) -print0 | sort -z)
    if [[ $failures -gt 0 ]]; then
        echo "$failures include(s) against the layers"
        exit 1
    fi
    echo "layers: clean"
}

check_libraries() {
    local failures=0 program loaded
    for program in "$@"; do
        loaded=$(ldd "$program" | grep -oE 'libQt6(Gui|Qml|Quick|Widgets)[A-Za-z]*\.so[.0-9]*' | sort -u)
        if [[ -n $loaded ]]; then
            echo "$program loads $(echo $loaded)"
            failures=$((failures + 1))
        fi
    done
    [[ $failures -eq 0 ]] || exit 1
    echo "libraries: no Qt Gui, Qml, Quick or Widgets"
}

case ${1:-} in
sources) check_sources "${2:?root}" "${3:?Qt headers}" ;;
libraries) shift; check_libraries "$@" ;;
*) echo "usage: $0 sources ROOT QT_HEADERS | libraries PROGRAM..." >&2; exit 2 ;;
esac
