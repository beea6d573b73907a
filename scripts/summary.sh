#!/usr/bin/env bash
# The closing summary of a test run, from the JUnit files the ctest runs wrote into a folder:
#
#   summary.sh JUNIT_DIR ONE_PROCESS_DIR...
#
# Prints a "failed: NAME" line for each failed case, then "N passed, M failed" and
# "retried: ...", and exits non-zero when anything failed. Counted:
#   - every ctest case once, by its final status ("run" passed; anything else failed);
#   - a case run as one process (NAME.all) by the cases in its results file instead (see
#     scripts/one-process.sh), when that file exists;
#   - a case tried in runs of its own (RUN-TRY.xml, TRY 1, 2, ...) by its last try only.
# Retried: a case whose console log (the .log beside its .xml) starts it twice, or whose try 1
# failed. A .xml that a run should have written but did not is one failure ("NAME.missing").
set -uo pipefail
junit=$1
shift
one_process=("$@")

passed=0
failed=0
failures=()
retried=()

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
            passed=$((passed + $(grep -c '^passed ' "$results")))
            failed=$((failed + $(grep -c '^failed ' "$results")))
            while read -r each; do failures+=("$each"); done < <(sed -n 's/^failed //p' "$results")
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

shopt -s nullglob
for xml in "$junit"/*.xml; do
    base=${xml%.xml}
    # Tries of one case: only the last counts.
    if [[ $base =~ -([0-9]+)$ ]]; then
        try=${BASH_REMATCH[1]}
        [[ -f ${base%-*}-$((try + 1)).xml ]] && continue
        ((try > 1)) && retried+=("$(cases "$xml" | head -1 | cut -d' ' -f1)")
    fi
    while read -r name status; do count_case "$name" "$status"; done < <(cases "$xml")
    if [[ -f $base.log ]]; then
        while read -r name; do retried+=("$name"); done < <(sed -n 's/^ *Start \+[0-9]\+: //p' "$base.log" | sort | uniq -d)
    fi
done
for missing in "$junit"/*.missing; do
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
echo "$passed passed, $failed failed"
text=none
((${#retried[@]})) && printf -v text '%s, ' "${retried[@]}" && text=${text%, }
echo "retried: $text"
((failed == 0))
