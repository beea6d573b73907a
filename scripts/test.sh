#!/usr/bin/env bash
# Runs every test: installs what is missing, builds, prepares the test prefix, runs ctest for
# the host-built logic tests and the fuzz targets, then the Windows tests under Wine and Xvfb
# (scripts/windows-tests.sh). Ends with one line counting every case, GoogleTest cases run in
# one process counted one by one, and one line naming the cases that needed a second try.
set -uo pipefail
source "$(dirname "$0")/common.sh"
set -e
install_packages "${TEST_PACKAGES[@]}"
ensure_locale "$TEST_LOCALE"
build_windows win ON
build_windows_ubsan
build_native
prepare_prefix test /scripted
set +e
logs=("$BUILD/native-ctest.log" "$BUILD/fuzz-ctest.log" "$BUILD/win-ctest.log" "$BUILD/win-desktop-ctest.log")
for dir in "${UBSAN_TEST_DIRS[@]}"; do logs+=("$BUILD/win-ubsan-${dir//\//-}.log"); done
rm -rf "${logs[@]}" "$BUILD/win/one-process" "$BUILD/win-ubsan/one-process"

echo "== host tests"
ctest --test-dir "$BUILD/native" --output-on-failure --no-tests=error -j "$(nproc)" | tee "$BUILD/native-ctest.log"
native_rc=${PIPESTATUS[0]}

echo "== fuzz targets (libFuzzer, a short run of each from its seeds)"
"$ROOT/tests/fuzz/run.sh" --no-tests=error 2>&1 | tee "$BUILD/fuzz-ctest.log"
fuzz_rc=${PIPESTATUS[0]}

echo "== Windows tests under Wine"
win_start=$SECONDS
xvfb-run -a -s "-screen 0 1280x1024x24" bash "$ROOT/scripts/windows-tests.sh"
win_rc=$?
echo "== the Windows tests took $((SECONDS - win_start)) s"

# The closing summary, from each ctest run's console log.
passed=0; failed=0; failures=()
for log in "${logs[@]}"; do
    [[ -f $log ]] || continue
    line=$(grep -Eo '[0-9]+ tests failed out of [0-9]+' "$log" | tail -1)
    bad=${line%% *}; total=${line##* }
    passed=$((passed + ${total:-0} - ${bad:-0})); failed=$((failed + ${bad:-0}))
    # "The following tests FAILED:" lists them as "<tab>  12 - name (Failed)".
    while read -r name; do
        # A one-process entry's own cases are named below, unless it never got to write them.
        [[ $name == *.all && ( -f $BUILD/win/one-process/${name%.all} ||
                               -f $BUILD/win-ubsan/one-process/${name%.all} ) ]] || failures+=("$name")
    done < <(sed -n '/^The following tests FAILED:/,$s/^\t *[0-9]\+ - \(.*\) ([^)]*)$/\1/p' "$log")
done
# An executable run as one process counts as one ctest entry; count its cases instead.
for results in "$BUILD"/win/one-process/* "$BUILD"/win-ubsan/one-process/*; do
    [[ -f $results && $results != *.log ]] || continue
    ok=$(grep -c '^passed ' "$results"); bad=$(grep -c '^failed ' "$results")
    if ((bad == 0)); then passed=$((passed + ok - 1)); else passed=$((passed + ok)); failed=$((failed + bad - 1)); fi
    while read -r name; do failures+=("$name"); done < <(sed -n 's/^failed //p' "$results")
done
# A missing or broken ctest run counts as one failure.
if ((fuzz_rc != 0)) && ! grep -q 'tests failed out of' "$BUILD/fuzz-ctest.log"; then failed=$((failed + 1)); fi
for log in "${logs[@]:2}"; do
    if ((win_rc != 0)) && ! grep -q 'tests failed out of' "$log" 2>/dev/null; then failed=$((failed + 1)); fi
done
if ((native_rc != 0)) && ! grep -q 'tests failed out of' "$BUILD/native-ctest.log"; then failed=$((failed + 1)); fi
# A desktop case that ran twice: "    Start 12: name" appears twice in its run's log.
mapfile -t retried < <(sed -n 's/^ *Start \+[0-9]\+: //p' "$BUILD/win-desktop-ctest.log" 2>/dev/null | sort | uniq -d)
for i in "${!retried[@]}"; do
    for name in "${failures[@]}"; do
        [[ $name == "${retried[i]}" ]] && retried[i]+=" (failed again)"
    done
done

echo
for name in "${failures[@]}"; do echo "failed: $name"; done
echo "$passed passed, $failed failed"
text=none
((${#retried[@]})) && printf -v text '%s, ' "${retried[@]}" && text=${text%, }
echo "retried: $text"
if ((native_rc != 0 || win_rc != 0 || fuzz_rc != 0)); then exit 1; fi
