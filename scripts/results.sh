# The result files that the Windows test runs leave beside ctest's JUnit files, and how they are
# read: sourced by scripts/windows-tests.sh, which writes and lists them, and scripts/summary.sh,
# which counts them. Sourced, not run.

# An executable run as one process (scripts/one-process.sh) leaves a results file named after it,
# one line per case: "passed NAME", "failed NAME" or "skipped NAME".

# one_process_count RESULTS OUTCOME: how many cases of RESULTS had that outcome.
one_process_count() {
    grep -c "^$2 " "$1"
}

# one_process_cases RESULTS OUTCOME: the names of those cases, one a line.
one_process_cases() {
    sed -n "s/^$2 //p" "$1"
}

# one_process_listing RESULTS: every case of RESULTS under a heading of its outcome, as the
# console shows them.
one_process_listing() {
    sed 's/^passed /    Passed  /; s/^failed /    FAILED  /; s/^skipped /    Skipped /' "$1"
}

# A case that runs in ctest runs of its own (those ending an agent, one Wine session each) may be
# tried again in a further run. Each try that a later one replaced is a line of this file in the
# JUnit folder, "RUN CASE": the run's files (RUN.xml, RUN.log, RUN.missing) do not count, and
# CASE counts as retried.
REPLACED_TRIES=replaced-tries

# record_replaced_try JUNIT_DIR RUN CASE
record_replaced_try() {
    echo "$2 $3" >>"$1/$REPLACED_TRIES"
}
