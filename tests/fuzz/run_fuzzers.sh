#!/usr/bin/env bash
# Runs each fuzz target of a fuzz-preset build for a bounded time, as many
# at once as the machine has cores, starting from its seed corpus.
#
#   tests/fuzz/run_fuzzers.sh BUILD_DIR SECONDS_PER_TARGET [WORK_DIR]
#
# New inputs go to WORK_DIR/<target> (a temporary folder when no WORK_DIR is
# given, so the seed corpus in the source tree is never changed). A crash,
# a sanitizer report or a failed check ends the script, once the targets
# still running are done, with the failed target's status; the input that
# caused it is left in the current directory as crash-*, leak-* or
# timeout-*.
set -euo pipefail

build_dir=$1
seconds=$2
work_dir=${3:-}
source_dir=$(cd "$(dirname "$0")" && pwd)
if [[ -z $work_dir ]]; then
    work_dir=$(mktemp -d)
    trap 'rm -rf "$work_dir"' EXIT
fi

# target, seed corpus folder, longest input in bytes. The listing's limit
# keeps its runs fast; listings of a thousand names are replayed from the
# seed corpus by the tests. A camera's two tables need room for their header
# lines (over a kilobyte each) and some rows; the row target reads a few
# rows. Tables longer than the reader's 64 KiB chunk are replayed from the
# seed corpus, and the row target moves the chunk's end through its rows.
targets=(
    "fuzz_reader reader 4096"
    "fuzz_reader_steps reader 4096"
    "fuzz_listing listing 2048"
    "fuzz_table_format table_format 512"
    "fuzz_camera_tables camera_tables 8192"
    "fuzz_table_rows table_rows 2048"
)
# Runs one target; its summary goes to WORK_DIR/<target>.summary.
run_target() {
    local target=$1 corpus=$2 max_len=$3 binary=$4
    local log="$work_dir/$target.log" summary="$work_dir/$target.summary" status=0
    mkdir -p "$work_dir/$target"
    "$binary" -max_total_time="$seconds" -max_len="$max_len" -timeout=10 -print_final_stats=1 \
        "$work_dir/$target" "$source_dir/corpus/$corpus" >"$log" 2>&1 || status=$?
    {
        echo "== $target for ${seconds}s"
        grep -E '^(#[0-9]+[[:space:]]+DONE|stat::number_of_executed_units|stat::average_exec_per_sec)' "$log" || true
        if [[ $status -ne 0 ]]; then
            tail -n 60 "$log"
            echo "run_fuzzers: $target failed with status $status"
        fi
    } >"$summary"
    return "$status"
}

# Each target is one process; as many run at once as the machine has cores
# (NORV_FUZZ_JOBS overrides), so the whole run takes the time of a few.
jobs=${NORV_FUZZ_JOBS:-$(nproc)}
declare -A running=()
failed_status=0
finish_one() {
    local pid status=0
    wait -n -p pid "${!running[@]}" || status=$?
    cat "$work_dir/${running[$pid]}.summary"
    unset "running[$pid]"
    if [[ $status -ne 0 && $failed_status -eq 0 ]]; then failed_status=$status; fi
}
for entry in "${targets[@]}"; do
    read -r target corpus max_len <<<"$entry"
    binary=$(find "$build_dir" -name "$target" -type f -perm -u+x -print -quit)
    if [[ -z $binary ]]; then
        echo "run_fuzzers: $target not built in $build_dir" >&2
        exit 1
    fi
    while ((${#running[@]} >= jobs)); do finish_one; done
    run_target "$target" "$corpus" "$max_len" "$binary" &
    running[$!]=$target
done
while ((${#running[@]} > 0)); do finish_one; done
if [[ $failed_status -ne 0 ]]; then
    echo "run_fuzzers: a target failed (see above); its input is in the current directory" >&2
    exit "$failed_status"
fi
echo "fuzz: ${#targets[@]} passed, 0 failed"
