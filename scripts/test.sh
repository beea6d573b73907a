#!/usr/bin/env bash
# Runs every test: installs what is missing, builds, prepares the test prefix, runs ctest
# for the Windows tests (under Wine and Xvfb) and for the host-built logic tests.
set -uo pipefail
source "$(dirname "$0")/common.sh"
set -e
install_packages "${TEST_PACKAGES[@]}"
build_windows win ON
build_windows_ubsan
build_native
prepare_prefix test /scripted
set +e

echo "== host tests"
ctest --test-dir "$BUILD/native" --output-on-failure -j "$(nproc)" | tee "$BUILD/native-ctest.log"
native_rc=${PIPESTATUS[0]}

echo "== fuzz targets (libFuzzer, a short run of each from its seeds)"
"$ROOT/tests/fuzz/run.sh" 2>&1 | tee "$BUILD/fuzz-ctest.log"
fuzz_rc=${PIPESTATUS[0]}

echo "== Windows tests under Wine"
use_prefix test
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
    wineserver -p </dev/null >/dev/null 2>&1
    wine cmd /c ver </dev/null >/dev/null 2>&1
    # A case that drives the one mouse, keyboard focus or tray of the virtual display gets a
    # second try; one that fails twice fails the run.
    ctest --test-dir "$0" --output-on-failure -j 2 --timeout 120 --repeat until-pass:2
    rc=$?
    # The trap build, in the same session. Its summaries go to their own logs and to stderr,
    # so that the main log still ends with the main summary.
    ubsan=$1; shift
    echo "== the same unit-level tests built with undefined-behaviour traps" >&2
    for dir in "$@"; do
        ctest --test-dir "$ubsan/$dir" --output-on-failure -j 2 --timeout 120 | tee "$ubsan-${dir//\//-}.log" >&2
        ((PIPESTATUS[0] == 0)) || rc=1
    done
    wineserver -k; wineserver -w
    exit $rc' "$BUILD/win" "$BUILD/win-ubsan" "${UBSAN_TEST_DIRS[@]}" | tee "$BUILD/win-ctest.log"
win_rc=${PIPESTATUS[0]}

count() { grep -Eo "$1" "$2" | tail -1 | grep -Eo '[0-9]+' | head -1; }
passed=0; failed=0
logs=("$BUILD/native-ctest.log" "$BUILD/win-ctest.log" "$BUILD/fuzz-ctest.log")
for dir in "${UBSAN_TEST_DIRS[@]}"; do logs+=("$BUILD/win-ubsan-${dir//\//-}.log"); done
for log in "${logs[@]}"; do
    total=$(grep -Eo 'tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | tail -1 | grep -Eo '[0-9]+$' || echo 0)
    bad=$(grep -Eo '[0-9]+ tests failed out of' "$log" | tail -1 | grep -Eo '^[0-9]+' || echo 0)
    passed=$((passed + ${total:-0} - ${bad:-0})); failed=$((failed + ${bad:-0}))
done
# A fuzz build that failed ran no target: one failure.
if ((fuzz_rc != 0)) && ! grep -q 'tests failed out of' "$BUILD/fuzz-ctest.log"; then failed=$((failed + 1)); fi
echo
echo "$passed passed, $failed failed"
if ((native_rc != 0 || win_rc != 0 || fuzz_rc != 0)); then exit 1; fi
