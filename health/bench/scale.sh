#!/usr/bin/env bash
# Scale benchmark of the health report: a folder of summary tables for
# 100,000 calibrations (about 100 stars each, some 1.2 GB of FitStars rows),
# then Norv_CalHealth and `cat` of the same tables timed side by side in one
# run, alternating, warm cache, with the report's peak memory.
#
#   health/bench/scale.sh [--files 100000] [--cameras 20] [--runs 3] [--build DIR] [--work DIR]
#
# The tables are made once with make_cal_files and Norv_CalSummary (several
# minutes at 100,000 files) in a temporary folder, or in --work DIR, which is
# kept and reused when it already holds them. Peak memory comes from GNU time
# (Debian package `time`); the arithmetic from `bc`.
set -euo pipefail

files=100000
cameras=20
runs=3
build="build"
work=""
while [ $# -gt 0 ]; do
    case "$1" in
        --files) files="$2"; shift 2 ;;
        --cameras) cameras="$2"; shift 2 ;;
        --runs) runs="$2"; shift 2 ;;
        --build) build="$2"; shift 2 ;;
        --work) work="$2"; shift 2 ;;
        *) echo "usage: $0 [--files N] [--cameras C] [--runs R] [--build DIR] [--work DIR]" >&2; exit 2 ;;
    esac
done

root="$(cd "$(dirname "$0")/../.." && pwd)"
case "$build" in /*) ;; *) build="$root/$build" ;; esac
for binary in make_cal_files Norv_CalSummary Norv_CalHealth; do
    if [ ! -x "$build/$binary" ]; then
        echo "missing $build/$binary: build first (cmake --workflow --preset test)" >&2
        exit 1
    fi
done
if [ ! -x /usr/bin/time ] || ! command -v bc >/dev/null; then
    echo "missing /usr/bin/time or bc: install the Debian packages 'time' and 'bc'" >&2
    exit 1
fi

if [ -z "$work" ]; then
    work="$(mktemp -d)"
    trap 'rm -rf "$work"' EXIT
fi
folder="$work/cal"
tables="$folder/Summary"
if ! ls "$tables"/SummaryCAL*_FitStars.txt >/dev/null 2>&1; then
    echo "making the tables of $files calibrations in $folder ..."
    rm -rf "$folder"
    "$build/make_cal_files" "$folder" "$files" "$cameras" --seed 7 --stars 80 120 >/dev/null
    (cd "$work" && printf '%s\n' "$folder" | "$build/Norv_CalSummary" >/dev/null) || true
    # Only the tables are needed from here on.
    find "$folder" -maxdepth 1 -name 'CAL*.txt' -delete
fi
out="$work/report"
mkdir -p "$out"

echo "tables: $(du -sh "$tables" | cut -f1) in $(ls "$tables"/SummaryCAL*.txt | wc -l) files on $(df -T "$tables" | awk 'NR==2 {print $2}')"
echo "FitStars rows: $(cat "$tables"/SummaryCAL*_FitStars.txt | wc -l)"

cat_tables() { cat "$tables"/SummaryCAL*.txt >/dev/null; }
run_health() { "$build/Norv_CalHealth" --out "$out" "$tables" >/dev/null 2>&1 || [ $? -lt 3 ]; }
seconds() { local start end; start=$(date +%s.%N); "$@"; end=$(date +%s.%N); echo "$end - $start" | bc; }

# Warm the page cache.
cat_tables
cat_tables
cat_times=()
health_times=()
for ((r = 1; r <= runs; r++)); do
    cat_times+=("$(seconds cat_tables)")
    health_times+=("$(seconds run_health)")
    echo "run $r: cat ${cat_times[-1]} s, Norv_CalHealth ${health_times[-1]} s"
done
median() { printf '%s\n' "$@" | sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
cat_median=$(median "${cat_times[@]}")
health_median=$(median "${health_times[@]}")
echo "median: cat $cat_median s, Norv_CalHealth $health_median s, ratio $(echo "scale=2; $health_median / $cat_median" | bc)"
/usr/bin/time -v "$build/Norv_CalHealth" --out "$out" "$tables" 2>"$work/time.txt" >/dev/null || true
echo "Norv_CalHealth peak memory: $(awk -F': ' '/Maximum resident set size/ {print $2}' "$work/time.txt") KB"
