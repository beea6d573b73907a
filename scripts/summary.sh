#!/usr/bin/env bash
# The closing summary of a test run, from the JUnit files the ctest runs wrote into a folder:
#
#   summary.sh JUNIT_DIR ONE_PROCESS_DIR...
#
# Prints a "failed: NAME" line for each failed case, then "N passed, M failed" (", K skipped"
# when a case was skipped) and "retried: ...", and exits non-zero when anything failed. Counted:
#   - every ctest case once, by its final status ("run" passed; anything else failed);
#   - a case run as one process (NAME.all) by the cases in its results file instead (see
#     scripts/one-process.sh), when that file exists;
#   - a case tried again in a run of its own by its last try only, as the folder's record of
#     those runs says (separate-runs, scripts/results.sh).
# Retried: a case whose console log (the .log beside its .xml) starts it twice, or that had a
# second run of its own. A .xml that a run should have written but did not is one failure ("NAME.missing").
set -uo pipefail
source "$(dirname "$0")/results.sh"
junit=$1
shift
one_process=("$@")

passed=0
failed=0
skipped=0
failures=()
mapfile -t replaced < <(replaced_runs "$junit")
mapfile -t retried < <(retried_cases "$junit")

# NAME STATUS lines of one JUnit file.
cases() {
    sed -n 's/.*<testcase name="\([^"]*\)".* status="\([^"]*\)".*/\1 \2/p' "$1"
}

count_case() {
    local name=$1 status=$2 dir results
    if [[ $name == *.all ]]; then
        for dir in "${one_process[@]}"; do
            results="$dir/${name%.all}"
            [[ -f $results ]] || continue
            passed=$((passed + $(one_process_count "$results" passed)))
            failed=$((failed + $(one_process_count "$results" failed)))
            skipped=$((skipped + $(one_process_count "$results" skipped)))
            while read -r each; do failures+=("$each"); done < <(one_process_cases "$results" failed)
            return
        done
    fi
    if [[ $status == run ]]; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        failures+=("$name")
    fi
}

# Whether the run whose files have that name was replaced by a later try.
replaced_run() {
    local run
    for run in "${replaced[@]}"; do [[ $run == "$1" ]] && return 0; done
    return 1
}

shopt -s nullglob
for xml in "$junit"/*.xml; do
    base=${xml%.xml}
    replaced_run "$(basename "$base")" && continue
    while read -r name status; do count_case "$name" "$status"; done < <(cases "$xml")
    if [[ -f $base.log ]]; then
        while read -r name; do retried+=("$name"); done < <(sed -n 's/^ *Start \+[0-9]\+: //p' "$base.log" | sort | uniq -d)
    fi
done
for missing in "$junit"/*.missing; do
    replaced_run "$(basename "$missing" .missing)" && continue
    failed=$((failed + 1))
    failures+=("$(basename "$missing")")
done

for i in "${!retried[@]}"; do
    for name in "${failures[@]}"; do
        [[ $name == "${retried[i]}" ]] && retried[i]+=" (failed again)"
    done
done
echo
for name in "${failures[@]}"; do echo "failed: $name"; done
closing="$passed passed, $failed failed"
((skipped)) && closing+=", $skipped skipped"
echo "$closing"
text=none
((${#retried[@]})) && printf -v text '%s, ' "${retried[@]}" && text=${text%, }
echo "retried: $text"
((failed == 0))
