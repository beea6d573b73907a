#!/usr/bin/env bash
# Measures Parcelo against the least code that does the same work and prints one table of
# ratios (figure, Parcelo, bare, ratio, goal, met?). Not part of scripts/test.sh.
#
#   bash bench/run.sh            the full run (about 15 minutes on two cores)
#   bash bench/run.sh --quick    fewer and smaller runs, to try the setup (about 2 minutes)
#
# Builds into build/bench, prepares its own Wine prefix build/wine-bench with the stand-in
# agent registered in scripted mode, and runs everything in one Wine session on a virtual
# display. The full output is kept in build/bench-results.log.
set -uo pipefail
source "$(dirname "$0")/../scripts/common.sh"
BENCH_BUILD="$BUILD/bench"
LOG="$BUILD/bench-results.log"

windows_path() { printf 'Z:%s' "${1//\//\\}"; }

# Inside the Wine session: every benchmark, one after the other, each printing RESULT lines.
session() {
    local bin=$BENCH_BUILD/bench
    wineserver -p </dev/null >/dev/null 2>&1
    wine cmd /c ver </dev/null >/dev/null 2>&1
    wine reg delete 'HKCU\Software\Velorex\UploadAgent\Script' /f </dev/null >/dev/null 2>&1
    local parcelo bare profile probe
    parcelo=$(windows_path "$BENCH_BUILD/parcelo.exe")
    bare=$(windows_path "$bin/bare_start.exe")
    profile=$(windows_path "$bin/start_profile.exe")
    probe=$(windows_path "$bin/load_probe.exe")
    echo "== start-up and memory, agent server already running"
    wine "$bin/start_bench.exe" warm "$WARM_RUNS" "$parcelo" "$bare" "$profile" \
        late-start ladder-0 ladder-10 ladder-1ef ladder-1ff
    echo "== start-up and memory at 200 % against 100 %, agent server already running"
    wine "$bin/start_bench.exe" scale "$WARM_RUNS" "$parcelo" 192
    echo "== start-up and memory, agent server started by the program"
    wine "$bin/start_bench.exe" cold "$COLD_RUNS" "$parcelo" "$bare"
    echo "== where the start-up time goes"
    wine "$bin/start_bench.exe" profile "$PROFILE_RUNS" "$profile" "$probe"
    echo "== one bare round trip to the agent"
    wine "$bin/inproc_bench.exe" calls 1000
    echo "== one item's way to the agent: bare, Parcelo's client with the same two calls, FileReceiver::AddFile"
    wine "$bin/inproc_bench.exe" paths "$PATH_ITEMS" "$PATH_BATCHES"
    echo "== the client's own cost: both drops and the replay against an agent in the same process"
    wine "$bin/inproc_bench.exe" own "$SMALL" "$LARGE" "$OWN_ROUNDS"
    echo "== repaint"
    wine "$bin/inproc_bench.exe" paint "$PAINTS" "$PAINT_RUNS"
    echo "== drops of files that do not exist"
    wine "$bin/inproc_bench.exe" drop missing "$SMALL" "$LARGE" "$ROUNDS"
    echo "== drops of real 1-byte files"
    wine "$bin/inproc_bench.exe" drop real "$SMALL" "$LARGE" "$ROUNDS"
    echo "== drops of real 1-byte files from the network and the removable drive, against the fixed drive"
    wine "$bin/inproc_bench.exe" drive "$NETWORK_DRIVE" "$SMALL" "$LARGE" "$ROUNDS"
    wine "$bin/inproc_bench.exe" drive "$REMOVABLE_DRIVE" "$SMALL" "$LARGE" "$ROUNDS"
    echo "== replay of pending items after sign-in"
    wine "$bin/inproc_bench.exe" replay "$SMALL" "$LARGE" "$ROUNDS"
    echo "== real drags: the source released, the window answering during the hand-over"
    wine "$bin/inproc_bench.exe" release "$SMALL" "$LARGE" "$ROUNDS"
    wineserver -k
    wineserver -w
}

# One Markdown table from the RESULT lines.
table() {
    awk -v small="$SMALL" -v large="$LARGE" '
        function num(x) { return x >= 100 ? sprintf("%.0f", x) : sprintf("%.2f", x) }
        # limit: the goal as a number; 0 for a figure without one.
        function row(name, label, unit, goal, limit, kind,    p, b, r, met, floor, ratio) {
            if (!(name in P)) { printf "| %s | (no result) | | | %s | no |\n", label, goal; return }
            p = P[name]; b = B[name]; r = R[name]
            if (kind == "absolute") {
                floor = "—"; ratio = "—"
                if (b > 0) { floor = num(b) " " unit; ratio = sprintf("%.2f", r) }
                printf "| %s | %s %s | %s | %s | %s | %s |\n", label, num(p), unit, floor, ratio, goal, (p <= limit ? "yes" : "no")
                return
            }
            if (kind == "growth") {
                printf "| %s | %.2f× | %.2f× | — | %s | %s |\n", label, p, b, goal, p <= limit ? "yes" : "no"
                return
            }
            met = limit == 0 ? "—" : (r <= limit ? "yes" : "no")
            printf "| %s | %s %s | %s %s | %.2f | %s | %s |\n", label, num(p), unit, num(b), unit, r, goal, met
        }
        $1 == "RESULT" { P[$2] = $3; B[$2] = $4; R[$2] = $5 }
        END {
            print "| Figure | Parcelo | bare | ratio | goal | met? |"
            print "|---|---|---|---|---|---|"
            row("start-cold-ms", "1. Start-up to window shown and agent configured, agent not running (cold)", "ms", "≤ 1.10", 1.10)
            row("start-warm-ms", "1. Start-up to window shown and agent configured, agent running (warm)", "ms", "≤ 1.10", 1.10)
            row("start-warm-late-start-ms", "1. (check of the proposed fix) warm start-up, OLE, drop target and tray icon once the window is shown", "ms", "≤ 1.10", 1.10)
            row("start-warm-peak-ws-kib", "2. Peak working set when shown (warm start)", "KiB", "≤ 1.20", 1.20)
            row("start-warm-private-kib", "2. Private bytes when shown (warm start)", "KiB", "≤ 1.20", 1.20)
            row("drop-missing-" small "-ms", "3. Drop of " small " files that do not exist, until all reached the agent", "ms", "≤ 1.20", 1.20)
            row("drop-missing-" large "-ms", "3. Drop of " large " files that do not exist", "ms", "≤ 1.20", 1.20)
            row("drop-missing-growth", "3. Growth " large "/" small " files, files that do not exist", "", "≤ 10.5×", 10.5, "growth")
            row("drop-real-" small "-ms", "3. Drop of " small " real 1-byte files", "ms", "≤ 1.20", 1.20)
            row("drop-real-" large "-ms", "3. Drop of " large " real 1-byte files", "ms", "≤ 1.20", 1.20)
            row("drop-real-growth", "3. Growth " large "/" small " files, real files", "", "≤ 10.5×", 10.5, "growth")
            row("drive-network-" small "-ms", "3. Drop of " small " real files from the network drive (bare: the same from the fixed drive)", "ms", "≤ 1.20", 1.20)
            row("drive-network-" large "-ms", "3. The same, " large " files", "ms", "≤ 1.20", 1.20)
            row("drive-removable-" small "-ms", "3. Drop of " small " real files from the removable drive (bare: the same from the fixed drive)", "ms", "≤ 1.20", 1.20)
            row("drive-removable-" large "-ms", "3. The same, " large " files", "ms", "≤ 1.20", 1.20)
            row("replay-" small "-ms", "4. Replay of " small " held items after status 19, through the hand-over, until all reached the agent", "ms", "≤ 1.20", 1.20)
            row("replay-" large "-ms", "4. Replay of " large " held items", "ms", "≤ 1.20", 1.20)
            row("replay-growth", "4. Growth " large "/" small " items, replay", "", "≤ 10.5×", 10.5, "growth")
            row("replay-answer-p99-ms", "4. The window'"'"'s answer to WM_NULL every 50 ms during the " large "-item replay, p99", "ms", "≤ 100 ms", 100, "absolute")
            row("repaint-us", "5. One repaint with both status lines", "µs", "—", 0)
            row("release-" small "-ms", "6. Source released after its data was fetched, drop of " small " files, signed in", "ms", "≤ 100 ms", 100, "absolute")
            row("release-" large "-ms", "6. Source released after its data was fetched, drop of " large " files", "ms", "≤ 100 ms", 100, "absolute")
            row("release-growth", "6. Release time " large " / " small " files", "×", "≤ 2×", 2, "absolute")
            row("answer-p99-ms", "6. The window'"'"'s answer to WM_NULL every 50 ms during the " large "-file hand-over, p99", "ms", "≤ 100 ms", 100, "absolute")
        }' "$LOG"
}

# The warm start-up taken apart: the bare steps with Parcelo's parts added (start_profile.exe).
start_table() {
    awk '
        function row(mode, label) {
            if (!(("start-warm-" mode "-ms") in R)) { printf "| %s | (no result) | |\n", label; return }
            printf "| %s | %.0f ms | %.2f |\n", label, P["start-warm-" mode "-ms"], R["start-warm-" mode "-ms"]
        }
        $1 == "RESULT" { P[$2] = $3; R[$2] = $5 }
        END {
            print "| Warm start-up, each against bare_start.exe in the same rounds | time | ratio |"
            print "|---|---|---|"
            row("ladder-0", "the bare steps, built like parcelo.exe (its code linked, shell32 imported)")
            row("ladder-10", "the same plus the tray icon (NIM_ADD) before the show")
            row("ladder-1ef", "the same plus all of parcelo.exe'"'"'s other steps before the show, no tray icon")
            row("ladder-1ff", "the same plus all of them")
            row("late-start", "parcelo.exe'"'"'s code with OLE and the tray icon set up after the show")
        }' "$LOG"
}

# Parcelo at 200 % against itself at 100 %.
scale_table() {
    awk '
        function row(name, label, unit,    p, b, r) {
            if (!(name in P)) { printf "| %s | (no result) | | | ≤ 1.10 | no |\n", label; return }
            p = P[name]; b = B[name]; r = R[name]
            printf "| %s | %.0f %s | %.0f %s | %.2f | ≤ 1.10 | %s |\n", label, p, unit, b, unit, r, (r <= 1.10 ? "yes" : "no")
        }
        $1 == "RESULT" { P[$2] = $3; B[$2] = $4; R[$2] = $5 }
        /^the skin.s frames as 32 bpp bitmaps/ { frames = $0 }
        END {
            print "| Parcelo at 200 % against Parcelo at 100 %, warm start-up | 200 % | 100 % | ratio | goal | met? |"
            print "|---|---|---|---|---|---|"
            row("start-scale-200-ms", "7. Start-up to window shown and agent configured", "ms")
            row("start-scale-200-peak-ws-kib", "7. Peak working set when shown", "KiB")
            row("start-scale-200-private-kib", "7. Private bytes when shown", "KiB")
            if (frames != "") { print ""; print frames }
        }' "$LOG"
}

# What each item costs Parcelo itself, with an agent in the same process that answers at once.
own_table() {
    awk -v small="$SMALL" -v large="$LARGE" '
        function row(kind, label,    s, l) {
            s = "own-" kind "-" small "-ms"; l = "own-" kind "-" large "-ms"
            if (!(s in P) || !(l in P)) { printf "| %s | (no result) | | |\n", label; return }
            printf "| %s | %.1f µs | %.1f µs | %.2f× |\n", label, (P[s] - B[s]) * 1000 / small,
                   (P[l] - B[l]) * 1000 / large, G["own-" kind "-growth"]
        }
        $1 == "RESULT" { P[$2] = $3; B[$2] = $4; if ($2 ~ /growth$/) G[$2] = $3 }
        END {
            print "| Parcelo'"'"'s own work per item, agent answering in-process | " small " items | " large " items | growth |"
            print "|---|---|---|---|"
            row("drop-missing", "Drop, files that do not exist")
            row("drop-real", "Drop, real 1-byte files")
            row("replay", "Replay of held items")
        }' "$LOG"
}

if [[ ${1:-} == --session ]]; then
    shift
    session
    exit $?
fi

WARM_RUNS=31 COLD_RUNS=7 PROFILE_RUNS=9 PAINTS=50 PAINT_RUNS=41 SMALL=1000 LARGE=10000 ROUNDS=3 OWN_ROUNDS=9
PATH_ITEMS=500 PATH_BATCHES=11
if [[ ${1:-} == --quick ]]; then
    WARM_RUNS=5 COLD_RUNS=3 PROFILE_RUNS=3 PAINTS=50 PAINT_RUNS=9 SMALL=100 LARGE=1000 ROUNDS=1 OWN_ROUNDS=3
    PATH_ITEMS=200 PATH_BATCHES=3
fi
# The prefix's network and removable drives onto local folders (LOCAL_DRIVES in scripts/common.sh).
NETWORK_DRIVE=N: REMOVABLE_DRIVE=R:
export NETWORK_DRIVE REMOVABLE_DRIVE WARM_RUNS COLD_RUNS PROFILE_RUNS PAINTS PAINT_RUNS SMALL LARGE ROUNDS OWN_ROUNDS PATH_ITEMS PATH_BATCHES \
       BENCH_BUILD

set -e
install_packages
echo "== building (MinGW-w64, x86_64) into $BENCH_BUILD"
cmake -S "$ROOT" -B "$BENCH_BUILD" -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake" -DPARCELO_TESTS=OFF >/dev/null
cmake --build "$BENCH_BUILD" -j "$(nproc)" --target parcelo UploadAgent bare_start start_bench inproc_bench \
      start_profile load_probe -- --no-print-directory >/dev/null

AGENT_EXE="$BENCH_BUILD/standin/UploadAgent.exe" prepare_prefix bench /scripted
set +e

echo "== benchmarks under Wine (load average now: $(cut -d' ' -f1-3 /proc/loadavg))"
xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" --session 2>&1 | tee "$LOG"
rc=${PIPESTATUS[0]}
echo
echo "Ratios are Parcelo over bare; times are medians of runs alternating Parcelo and bare,"
echo "and a time's ratio is the median of the ratios of those pairs. One run on a shared machine:"
echo "compare ratios, not absolute times."
echo "Load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
echo
table
echo
own_table
echo
start_table
echo
scale_table
exit "$rc"
