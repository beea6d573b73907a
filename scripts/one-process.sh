#!/usr/bin/env bash
# Runs every case of one GoogleTest executable in a single process and reports the cases one
# by one (ctest's COMMAND for a parcelo_test(... ONE_PROCESS ...) executable):
#
#   one-process.sh RESULTS COMMAND...     (RESULTS ends in the executable's name)
#
# GoogleTest's own output goes to RESULTS.log and to stdout (ctest shows it when this fails).
# RESULTS gets one line per case, "passed NAME", "failed NAME" or "skipped NAME", and a failed line
# for anything that went wrong outside a case (read by scripts/results.sh: windows-tests.sh lists
# the cases and summary.sh counts them, so a process of 40 cases counts as 40). Exits non-zero
# exactly when RESULTS holds a failed line.
set -uo pipefail
results=$1
shift
exe=$(basename "$results")
mkdir -p "$(dirname "$results")"
"$@" </dev/null >"$results.log" 2>&1
code=$?

# When the process ended early, the cases it never reached, by name, from the exe's own list.
listed=/dev/null
if ! tr -d '\r' <"$results.log" | grep -q '^\[==========\] .* ran\.'; then
    listed="$results.list"
    "$@" --gtest_list_tests </dev/null 2>/dev/null | tr -d '\r' |
        awk '/^[^ ]/ { suite = $1; next } /^  [^ ]/ { print suite $1 }' >"$listed"
fi

# The exe runs under Wine with MinGW's text-mode stdout: lines end in CR LF.
tr -d '\r' <"$results.log" | awk -v code="$code" -v exe="$exe" -v listed="$listed" '
    /^\[ RUN      \] / { name = $4; order[++ran] = name; done[name] = "failed"; last = name; next }
    /^\[       OK \] / { done[$4] = "passed"; last = ""; next }
    /^\[  SKIPPED \] / { done[$4] = "skipped"; last = ""; next }
    /^\[==========\] .* ran\./ { finished = 1 }
    END {
        failed = 0
        for (i = 1; i <= ran; ++i) {
            print done[order[i]], order[i]
            if (done[order[i]] == "failed") ++failed
        }
        why = "the process ended with code " code (last != "" ? " inside " last : "")
        missing = 0
        if (!finished)
            while ((getline name < listed) > 0)
                if (!(name in done)) { print "failed", name " (never ran: " why ")"; ++missing }
        if (failed == 0 && missing == 0 && (code != 0 || !finished))
            print "failed", exe " (" (ran ? "no case failed, but " : "no case ran: ") why ")"
    }' >"$results"

cat "$results.log"
! grep -q '^failed ' "$results"
