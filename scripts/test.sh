#!/usr/bin/env bash
# Runs every test: installs what is missing, builds, prepares the test prefix, runs ctest for
# the host-built logic tests and the fuzz targets, then the Windows tests under Wine and Xvfb
# (scripts/windows-tests.sh). Ends with one line counting every case, GoogleTest cases run in
# one process counted one by one, and one line naming the cases that needed a second try
# (scripts/summary.sh, from the JUnit files the ctest runs wrote into build/junit).
set -uo pipefail
source "$(dirname "$0")/common.sh"
set -e
install_packages "${TEST_PACKAGES[@]}"
ensure_locale "$TEST_LOCALE"
build_windows win ON
build_windows_ubsan
build_native
build_fuzz
prepare_prefix test /scripted
prepare_unanswered_share
set +e
rm -rf "$JUNIT" "$BUILD/win/one-process" "$BUILD/win-ubsan/one-process"

echo "== host tests"
run_ctest native --test-dir "$BUILD/native" -j "$(nproc)"
native_rc=$?

echo "== fuzz targets (libFuzzer, a short run of each from its seeds)"
run_ctest fuzz --test-dir "$BUILD/fuzz" -j "$(nproc)"
fuzz_rc=$?

echo "== Windows tests under Wine"
win_start=$SECONDS
xvfb-run -a -s "-screen 0 1280x1024x24" bash "$ROOT/scripts/windows-tests.sh"
win_rc=$?
echo "== the Windows tests took $((SECONDS - win_start)) s"

# Every case counted once, by its final result, from the JUnit files of every ctest run.
bash "$ROOT/scripts/summary.sh" "$JUNIT" "$BUILD/win/one-process" "$BUILD/win-ubsan/one-process"
summary_rc=$?
if ((native_rc != 0 || win_rc != 0 || fuzz_rc != 0 || summary_rc != 0)); then exit 1; fi
