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
# tried again in a further run. Every such run is a record of this file in the JUnit folder, one
# a line, "CASE TRY RUN": the case, its try (1, 2, ...) and the name of the run's files (RUN.xml,
# RUN.log, RUN.missing). Only a case's last try counts; a case with a second try counts as retried.
SEPARATE_RUNS=separate-runs

# record_separate_run JUNIT_DIR CASE TRY RUN
record_separate_run() {
    echo "$2 $3 $4" >>"$1/$SEPARATE_RUNS"
}

# forget_separate_runs JUNIT_DIR: removes the record and the files of every run it names, so that
# a try of an earlier run that this one does not make again cannot count.
forget_separate_runs() {
    [[ -f $1/$SEPARATE_RUNS ]] || return 0
    local run
    while read -r _ _ run; do rm -f "$1/$run".{xml,log,missing}; done <"$1/$SEPARATE_RUNS"
    rm -f "$1/$SEPARATE_RUNS"
}

# replaced_runs JUNIT_DIR: the RUN of every try that a later try of the same case replaced, one a line.
replaced_runs() {
    [[ -f $1/$SEPARATE_RUNS ]] || return 0
    awk '{ tries[NR] = $0; if ($2 > last[$1]) last[$1] = $2 }
         END { for (i = 1; i <= NR; ++i) { split(tries[i], f, " "); if (f[2] < last[f[1]]) print f[3] } }' \
        "$1/$SEPARATE_RUNS"
}

# retried_cases JUNIT_DIR: every case of a separate run that had more than one try, once each.
retried_cases() {
    [[ -f $1/$SEPARATE_RUNS ]] || return 0
    awk '$2 > 1 && !seen[$1]++ { print $1 }' "$1/$SEPARATE_RUNS"
}
