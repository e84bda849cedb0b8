#!/usr/bin/env bash
# Runs every benchmark program of a build and prints each figure beside its
# reference in bench/baseline.txt:
#
#     name   measured ns/iter   baseline ns/iter   measured/baseline
#
# A report, not a gate: a slower figure still exits 0. The exit status is
# non-zero only when a program cannot be run, fails, or a benchmark reports an
# error. Needs bash and awk only.
#
# Usage: bench/run.sh <builddir> [extra Google Benchmark flags...]
#   BENCH_MIN_TIME  minimum seconds per benchmark (default 0.2)
#   BENCH_BASELINE  baseline file (default bench/baseline.txt beside this script)
set -u

if [ $# -lt 1 ] || [ ! -d "$1" ]; then
    echo "usage: $0 <builddir> [benchmark flags...]" >&2
    exit 2
fi
build=$1
shift
here=$(cd "$(dirname "$0")" && pwd)
baseline=${BENCH_BASELINE:-$here/baseline.txt}
min_time=${BENCH_MIN_TIME:-0.2}

progs=()
for p in "$build"/bench/bench_*; do
    [ -f "$p" ] && [ -x "$p" ] && progs+=("$p")
done
if [ ${#progs[@]} -eq 0 ]; then
    echo "$0: no benchmark programs under $build/bench" >&2
    exit 1
fi

# Baseline lines are "<name> <ns per iteration>"; '#' starts a comment.
# CSV rows are: name,iterations,real_time,cpu_time,time_unit,...,error_occurred,error_message.
# Wall time is the figure: for the threaded benchmarks it is the time per
# operation of all threads together, so contention shows up in it.
report() {
    awk -F, -v baseline="$baseline" '
        BEGIN {
            while ((getline line < baseline) > 0) {
                sub(/#.*/, "", line)
                if (split(line, f, " ") >= 2) ref[f[1]] = f[2]
            }
            scale["ns"] = 1; scale["us"] = 1e3; scale["ms"] = 1e6; scale["s"] = 1e9
        }
        $1 == "name" { for (i = 1; i <= NF; i++) col[$i] = i; next }
        !("name" in col) || NF < 5 { next }
        {
            name = $1; gsub(/"/, "", name)
            if ($col["error_occurred"] == "true") {
                msg = $col["error_message"]; gsub(/"/, "", msg)
                printf "%-52s error: %s\n", name, msg
                bad = 1
                next
            }
            ns = $col["real_time"] * scale[$col["time_unit"]]
            if (name in ref && ref[name] > 0)
                printf "%-52s %14.1f %14.1f %8.2f\n", name, ns, ref[name], ns / ref[name]
            else
                printf "%-52s %14.1f %14s %8s\n", name, ns, "-", "-"
        }
        END { exit bad }'
}

printf "%-52s %14s %14s %8s\n" "benchmark" "ns/iter" "baseline" "ratio"
status=0
for p in "${progs[@]}"; do
    out=$(mktemp) err=$(mktemp)
    if ! "$p" --benchmark_format=csv --benchmark_min_time="$min_time" "$@" >"$out" 2>"$err"; then
        echo "$(basename "$p"): failed" >&2
        cat "$err" >&2
        status=1
    fi
    report <"$out" || status=1
    rm -f "$out" "$err"
done
exit $status
