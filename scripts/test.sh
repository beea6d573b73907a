#!/usr/bin/env bash
# Runs every test: installs what is missing, builds, prepares the test prefix, runs ctest
# for the Windows tests (under Wine and Xvfb) and for the host-built logic tests.
set -uo pipefail
source "$(dirname "$0")/common.sh"
set -e
install_packages
build_windows ON
build_native
prepare_prefix test /scripted
set +e

echo "== host tests"
ctest --test-dir "$BUILD/native" --output-on-failure -j "$(nproc)" | tee "$BUILD/native-ctest.log"
native_rc=${PIPESTATUS[0]}

echo "== Windows tests under Wine"
use_prefix test
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
    wineserver -p </dev/null >/dev/null 2>&1
    wine cmd /c ver </dev/null >/dev/null 2>&1
    ctest --test-dir "$0" --output-on-failure -j 2 --timeout 120
    rc=$?
    wineserver -k; wineserver -w
    exit $rc' "$BUILD/win" | tee "$BUILD/win-ctest.log"
win_rc=${PIPESTATUS[0]}

count() { grep -Eo "$1" "$2" | tail -1 | grep -Eo '[0-9]+' | head -1; }
passed=0; failed=0
for log in "$BUILD/native-ctest.log" "$BUILD/win-ctest.log"; do
    total=$(grep -Eo 'tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | tail -1 | grep -Eo '[0-9]+$' || echo 0)
    bad=$(grep -Eo '[0-9]+ tests failed out of' "$log" | tail -1 | grep -Eo '^[0-9]+' || echo 0)
    passed=$((passed + ${total:-0} - ${bad:-0})); failed=$((failed + ${bad:-0}))
done
echo
echo "$passed passed, $failed failed"
if ((native_rc != 0 || win_rc != 0)); then exit 1; fi
