#!/usr/bin/env bash
# Whole-run benchmark: times the summary program over a generated archive
# against `cat` of the same files, and reports its peak memory.
#
#   bench/run.sh [--files N] [--cameras C] [--runs R] [--build DIR] [--seed S]
#
# Defaults: 10,000 files over 20 cameras, 80 to 120 stars each (about 100),
# median of 5 runs, binaries from build/ (cmake --preset default, then
# cmake --build build). For the memory check at scale run
#   bench/run.sh --files 100000 --runs 1
# Peak RSS is read from GNU time (/usr/bin/time -v); on Debian it comes with
# the package `time` (apt-get install time), which this script needs.
#
# The files go into a temporary folder that is removed at the end; the page
# cache is warmed by reading them twice before anything is timed.
set -euo pipefail

files=10000
cameras=20
runs=5
seed=1
build="build"
while [ $# -gt 0 ]; do
    case "$1" in
        --files) files="$2"; shift 2 ;;
        --cameras) cameras="$2"; shift 2 ;;
        --runs) runs="$2"; shift 2 ;;
        --build) build="$2"; shift 2 ;;
        --seed) seed="$2"; shift 2 ;;
        *) echo "usage: $0 [--files N] [--cameras C] [--runs R] [--build DIR] [--seed S]" >&2; exit 2 ;;
    esac
done

root="$(cd "$(dirname "$0")/.." && pwd)"
case "$build" in /*) ;; *) build="$root/$build" ;; esac
program="$build/Norv_CalSummary"
generator="$build/make_cal_files"
for binary in "$program" "$generator"; do
    if [ ! -x "$binary" ]; then
        echo "missing $binary: build first (cmake --preset default && cmake --build build)" >&2
        exit 1
    fi
done
if [ ! -x /usr/bin/time ]; then
    echo "missing /usr/bin/time: install the Debian package 'time' (apt-get install time)" >&2
    exit 1
fi

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
folder="$work/cal"
"$generator" "$folder" "$files" "$cameras" --seed "$seed" --stars 80 120 >/dev/null

cat_files() { find "$folder" -maxdepth 1 -name 'CAL*.txt' -print0 | xargs -0 cat >/dev/null; }
# The program lists the folder into a file in the current directory, so it
# runs from the work folder; it ends with status 1 by design.
run_program() { (cd "$work" && printf '%s\n' "$folder" | "$program" >/dev/null) || true; }

now_ns() { date +%s%N; }
# Given a command, prints its median wall time over $runs runs, in seconds.
median_seconds() {
    local times=() start end
    for _ in $(seq "$runs"); do
        start=$(now_ns)
        "$@"
        end=$(now_ns)
        times+=("$(( end - start ))")
    done
    printf '%s\n' "${times[@]}" | sort -n | awk '{ t[NR] = $1 } END { printf "%.4f\n", t[int((NR + 1) / 2)] / 1e9 }'
}

cat_files
cat_files
input_bytes=$(find "$folder" -maxdepth 1 -name 'CAL*.txt' -printf '%s\n' | awk '{ s += $1 } END { print s }')

cat_s=$(median_seconds cat_files)
run_s=$(median_seconds run_program)
output_bytes=$(find "$folder/Summary" -type f -printf '%s\n' | awk '{ s += $1 } END { print s + 0 }')
# GNU time passes on the program's exit status (1 by design).
rss_kb=$( (cd "$work" && printf '%s\n' "$folder" | /usr/bin/time -v "$program" 2>&1 >/dev/null || true) |
    awk -F: '/Maximum resident set size/ { gsub(/ /, "", $2); print $2 }')

echo "files:             $files over $cameras cameras ($(( input_bytes / 1024 )) KiB read, $(( output_bytes / 1024 )) KiB written)"
echo "cat (median of $runs): ${cat_s} s"
echo "run (median of $runs): ${run_s} s"
awk -v r="$run_s" -v c="$cat_s" 'BEGIN { printf "ratio run/cat:     %.2f\n", r / c }'
echo "peak RSS:          ${rss_kb} KiB"
