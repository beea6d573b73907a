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
# Cases labelled `ends_agent` end an agent's process the hard way, after which Wine starts no
# agent of that class again in the same session for a while: each runs last, in a Wine session
# of its own (a second try, in a fresh session again, when it is also a desktop case).
#
# Each ctest run leaves its JUnit file and console log in build/junit for test.sh's summary:
#   win                the cases without a label, one try
#   win-desktop        the desktop cases, up to two tries
#   win-ubsan-*        the unit-level tests built with undefined-behaviour traps
#   win-ends-agent-N-T a case that ends an agent, one try; every such run is a record (case,
#                      try, run) in build/junit/separate-runs, which the summary reads
#                      (scripts/results.sh)
# Exits non-zero when any of them failed. Extra arguments go to every ctest run (e.g. -R NAME),
# and choose the cases that end an agent, each of which then runs alone.
set -uo pipefail
source "$(dirname "$0")/common.sh"
source "$(dirname "$0")/results.sh"
use_prefix test

CTEST_ARGS=("$@")

# The share that does not answer, on the folder the prefix's drive M: names (root mounts it).
sudo=""
[[ $(id -u) -ne 0 ]] && sudo="sudo"
$sudo python3 "$ROOT/tests/support/unanswered_share.py" "$SHARE_MOUNT" </dev/null >/dev/null 2>&1 &
share_pid=$!
for _ in $(seq 50); do mountpoint -q "$SHARE_MOUNT" && break; sleep 0.1; done
mountpoint -q "$SHARE_MOUNT" || echo "== the share that does not answer could not be mounted (is /dev/fuse there?)"
end_share() {
    $sudo kill "$share_pid" 2>/dev/null
    wait "$share_pid" 2>/dev/null
}
trap end_share EXIT
WIN="$BUILD/win"
UBSAN="$BUILD/win-ubsan"
rm -rf "$WIN/one-process" "$UBSAN/one-process"
mkdir -p "$JUNIT"
forget_separate_runs "$JUNIT"

# Detached from ctest's pipe: a server started with its output there made ctest hang.
wineserver -p </dev/null >/dev/null 2>&1
wine cmd /c ver </dev/null >/dev/null 2>&1

# win_ctest NAME ARGS...: one ctest run of the Windows tests (run_ctest in common.sh).
win_ctest() {
    local name=$1
    shift
    run_ctest "$name" -j 2 --timeout 120 "$@" "${CTEST_ARGS[@]}"
}

rc=0
echo "== cases that keep to their own windows (one try each)"
win_ctest win --test-dir "$WIN" -LE 'desktop|ends_agent' || rc=1
echo "== cases that drive the display's mouse, focus and tray (one at a time, a second try each)"
win_ctest win-desktop --test-dir "$WIN" -L desktop -LE ends_agent --repeat until-pass:2 || rc=1
echo "== the same unit-level tests built with undefined-behaviour traps"
for dir in "${UBSAN_TEST_DIRS[@]}"; do
    win_ctest "win-ubsan-${dir//\//-}" --test-dir "$UBSAN/$dir" || rc=1
done

wineserver -k
wineserver -w

echo "== cases that end an agent's process, each in a Wine session of its own"
# labelled_cases LABEL...: the names of the cases that carry every one of the labels.
labelled_cases() {
    local labels=() label
    for label in "$@"; do labels+=(-L "$label"); done
    ctest --test-dir "$WIN" -N "${labels[@]}" "${CTEST_ARGS[@]}" | sed -n 's/^ *Test *#[0-9]*: //p'
}
mapfile -t ending < <(labelled_cases ends_agent)
mapfile -t ending_desktop < <(labelled_cases ends_agent desktop)
for i in "${!ending[@]}"; do
    tries=1
    for name in "${ending_desktop[@]}"; do [[ $name == "${ending[i]}" ]] && tries=2; done
    for ((try = 1; try <= tries; ++try)); do
        wineserver -p </dev/null >/dev/null 2>&1
        wine cmd /c ver </dev/null >/dev/null 2>&1
        run="win-ends-agent-$i-$try"
        record_separate_run "$JUNIT" "${ending[i]}" "$try" "$run"
        # Without the extra arguments: a -R of theirs would take the other cases into this session.
        run_ctest "$run" -j 2 --timeout 120 --test-dir "$WIN" -R "^${ending[i]}\$"
        result=$?
        wineserver -k
        wineserver -w
        ((result == 0)) && break
        ((try == tries)) && rc=1
    done
done

# The executables run as one process each, case by case (their ctest entry counts once).
for results in "$WIN"/one-process/* "$UBSAN"/one-process/*; do
    [[ -f $results && $results != *.log && $results != *.list ]] || continue
    name=${results#"$BUILD/"}
    skipped=$(one_process_count "$results" skipped)
    echo "== $name, one process: $(one_process_count "$results" passed) passed," \
         "$(one_process_count "$results" failed) failed$( ((skipped)) && echo ", $skipped skipped")"
    one_process_listing "$results"
done
exit $rc
