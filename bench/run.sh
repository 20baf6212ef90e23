#!/usr/bin/env bash
# Whole-run benchmark: times the summary program over a generated archive
# against `cat` of the same files (reading them) and `cp` of them (reading and
# writing as many bytes), side by side in one run with a warm cache, reports
# the run with 1, 2, 4 and 8 worker threads, and the peak memory.
#
#   bench/run.sh [--files N] [--cameras C] [--runs R] [--build DIR] [--seed S]
#                [--stars MIN MAX] [--work DIR]
#
# Defaults: 10,000 files over 20 cameras, 80 to 120 stars each (about 100),
# median of 5 runs, binaries from build/ (cmake --preset default, then
# cmake --build build). For the memory check at scale run
#   bench/run.sh --files 100000 --runs 1
# Peak RSS is read from GNU time (/usr/bin/time -v); on Debian it comes with
# the package `time` (apt-get install time), which this script needs.
#
# The files go into a temporary folder (under --work, default the system's
# temporary folder) that is removed at the end; the script says which file
# system it is on, since a slow one hides the program's own cost. The page
# cache is warmed by reading the files twice before anything is timed.
set -euo pipefail

files=10000
cameras=20
runs=5
seed=1
min_stars=80
max_stars=120
build="build"
work_parent="${TMPDIR:-/tmp}"
while [ $# -gt 0 ]; do
    case "$1" in
        --files) files="$2"; shift 2 ;;
        --cameras) cameras="$2"; shift 2 ;;
        --runs) runs="$2"; shift 2 ;;
        --build) build="$2"; shift 2 ;;
        --seed) seed="$2"; shift 2 ;;
        --stars) min_stars="$2"; max_stars="$3"; shift 3 ;;
        --work) work_parent="$2"; shift 2 ;;
        *) echo "usage: $0 [--files N] [--cameras C] [--runs R] [--build DIR] [--seed S] [--stars MIN MAX] [--work DIR]" >&2; exit 2 ;;
    esac
done

root="$(cd "$(dirname "$0")/.." && pwd)"
case "$build" in /*) ;; *) build="$root/$build" ;; esac
program="$build/Norv_CalSummary"
with_workers="$build/norv_run_with_workers"
generator="$build/make_cal_files"
for binary in "$program" "$with_workers" "$generator"; do
    if [ ! -x "$binary" ]; then
        echo "missing $binary: build first (cmake --preset default && cmake --build build)" >&2
        exit 1
    fi
done
if [ ! -x /usr/bin/time ]; then
    echo "missing /usr/bin/time: install the Debian package 'time' (apt-get install time)" >&2
    exit 1
fi

work="$(mktemp -d "$work_parent/norv_bench.XXXXXX")"
trap 'rm -rf "$work"' EXIT
folder="$work/cal"
"$generator" "$folder" "$files" "$cameras" --seed "$seed" --stars "$min_stars" "$max_stars" >/dev/null

cat_files() { find "$folder" -maxdepth 1 -name 'CAL*.txt' -print0 | xargs -0 cat >/dev/null; }
# The same bytes read and written again: the files copied into a fresh folder.
cp_files() {
    rm -rf "$work/copy" && mkdir "$work/copy"
    find "$folder" -maxdepth 1 -name 'CAL*.txt' -print0 | xargs -0 cp -t "$work/copy"
}
# The program ends with status 1 by design; it answers the folder question
# from standard input.
run_program() { (cd "$work" && printf '%s\n' "$folder" | "$program" >/dev/null) || true; }
run_with() { (cd "$work" && printf '%s\n' "$folder" | "$with_workers" "$1" >/dev/null) || true; }

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
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

cat_files
cat_files
input_bytes=$(find "$folder" -maxdepth 1 -name 'CAL*.txt' -printf '%s\n' | awk '{ s += $1 } END { print s }')
file_system=$(stat -f -c %T "$work" 2>/dev/null || echo unknown)
device=$(df -P "$work" | awk 'NR == 2 { print $1 }')

cat_s=$(median_seconds cat_files)
cp_s=$(median_seconds cp_files)
rm -rf "$work/copy"
run_s=$(median_seconds run_program)
output_bytes=$(find "$folder/Summary" -type f -printf '%s\n' | awk '{ s += $1 } END { print s + 0 }')
# GNU time passes on the program's exit status (1 by design).
rss_kb=$( (cd "$work" && printf '%s\n' "$folder" | /usr/bin/time -v "$program" 2>&1 >/dev/null || true) |
    awk -F: '/Maximum resident set size/ { gsub(/ /, "", $2); print $2 }')

echo "work folder:       $work on $file_system ($device)"
echo "processors:        $(nproc) (the program uses one worker each)"
echo "files:             $files over $cameras cameras ($(( input_bytes / 1024 )) KiB read, $(( output_bytes / 1024 )) KiB written)"
echo "cat (median of $runs): ${cat_s} s"
echo "cp  (median of $runs): ${cp_s} s"
echo "run (median of $runs): ${run_s} s"
echo "ratio run/cat:     $(ratio "$run_s" "$cat_s")"
echo "ratio run/cp:      $(ratio "$run_s" "$cp_s")"
echo "peak RSS:          ${rss_kb} KiB"
echo "workers    run s   run/cat  run/cp"
for workers in 1 2 4 8; do
    seconds=$(median_seconds run_with "$workers")
    printf '%7d  %7.4f  %7s  %6s\n' "$workers" "$seconds" "$(ratio "$seconds" "$cat_s")" "$(ratio "$seconds" "$cp_s")"
done
