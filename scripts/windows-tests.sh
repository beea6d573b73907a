#!/usr/bin/env bash
# The Windows tests under Wine, in one Wine session on the virtual display that scripts/test.sh
# starts for them (xvfb-run -a bash scripts/windows-tests.sh), after test.sh has built them and
# prepared the prefix build/wine-test.
#
# Cases labelled `desktop` (see parcelo_test in tests/CMakeLists.txt) drive the display's one
# mouse, keyboard focus, foreground window or tray; another program on the same display can
# disturb them, so they alone get a second try, and test.sh names every one that needed it.
# Every other case fails at its first failure: a retry there would hide a race.
#
# Each ctest run keeps its console log in build/ for test.sh's closing summary:
#   win-ctest.log          the cases without the label, one try
#   win-desktop-ctest.log  the desktop cases, up to two tries
#   win-ubsan-*.log        the unit-level tests built with undefined-behaviour traps
# Exits non-zero when any of them failed. Extra arguments go to every ctest run (e.g. -R NAME).
set -uo pipefail
source "$(dirname "$0")/common.sh"
use_prefix test

CTEST_ARGS=("$@")
WIN="$BUILD/win"
UBSAN="$BUILD/win-ubsan"
rm -rf "$WIN/one-process" "$UBSAN/one-process"

# Detached from ctest's pipe: a server started with its output there made ctest hang.
wineserver -p </dev/null >/dev/null 2>&1
wine cmd /c ver </dev/null >/dev/null 2>&1

# run_ctest LOG ARGS...: one ctest run; its console output goes to stdout and to LOG.
run_ctest() {
    local log=$1
    shift
    ctest --output-on-failure --no-tests=error -j 2 --timeout 120 "$@" "${CTEST_ARGS[@]}" | tee "$log"
    return "${PIPESTATUS[0]}"
}

rc=0
echo "== cases that keep to their own windows (one try each)"
run_ctest "$BUILD/win-ctest.log" --test-dir "$WIN" -LE desktop || rc=1
echo "== cases that drive the display's mouse, focus and tray (one at a time, a second try each)"
run_ctest "$BUILD/win-desktop-ctest.log" --test-dir "$WIN" -L desktop --repeat until-pass:2 || rc=1
echo "== the same unit-level tests built with undefined-behaviour traps"
for dir in "${UBSAN_TEST_DIRS[@]}"; do
    run_ctest "$UBSAN-${dir//\//-}.log" --test-dir "$UBSAN/$dir" || rc=1
done

wineserver -k
wineserver -w

# The executables run as one process each, case by case (their ctest entry counts once).
for results in "$WIN"/one-process/* "$UBSAN"/one-process/*; do
    [[ -f $results && $results != *.log ]] || continue
    name=${results#"$BUILD/"}
    echo "== $name, one process: $(grep -c '^passed ' "$results") passed, $(grep -c '^failed ' "$results") failed"
    sed 's/^passed /    Passed  /; s/^failed /    FAILED  /' "$results"
done
exit $rc
