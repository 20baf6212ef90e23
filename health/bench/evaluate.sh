#!/usr/bin/env bash
# Detection benchmark: generated networks with injected events and nuisances
# (make_cal_files --network), their summary tables (Norv_CalSummary), the
# health report (Norv_CalHealth), scored against the ground truth
# (health_evaluate): recall and dating per injected kind, the confusion
# table, and false findings per camera-year.
#
#   health/bench/evaluate.sh [--seeds "1 2 3"] [--cameras 20] [--nights 365] [--plain] [--build DIR] [--keep DIR]
#
# --plain scores networks of the events alone (make_cal_files --plain: no
# weather, seasonal waves, creep or wide-field cameras).
# Binaries from build/ (cmake --workflow --preset test builds them). The runs
# go into a temporary folder removed at the end, or into DIR with --keep.
set -euo pipefail

seeds="1 2 3"
cameras=20
nights=365
build="build"
keep=""
plain=()
while [ $# -gt 0 ]; do
    case "$1" in
        --seeds) seeds="$2"; shift 2 ;;
        --cameras) cameras="$2"; shift 2 ;;
        --nights) nights="$2"; shift 2 ;;
        --build) build="$2"; shift 2 ;;
        --keep) keep="$2"; shift 2 ;;
        --plain) plain=(--plain); shift ;;
        *) echo "usage: $0 [--seeds \"S...\"] [--cameras C] [--nights N] [--plain] [--build DIR] [--keep DIR]" >&2; exit 2 ;;
    esac
done

root="$(cd "$(dirname "$0")/../.." && pwd)"
case "$build" in /*) ;; *) build="$root/$build" ;; esac
for binary in make_cal_files Norv_CalSummary Norv_CalHealth health/health_evaluate; do
    if [ ! -x "$build/$binary" ]; then
        echo "missing $build/$binary: build first (cmake --workflow --preset test)" >&2
        exit 1
    fi
done

if [ -n "$keep" ]; then
    work="$keep"
    mkdir -p "$work"
else
    work="$(mktemp -d)"
    trap 'rm -rf "$work"' EXIT
fi

runs=()
for seed in $seeds; do
    run="$work/seed$seed"
    rm -rf "$run"
    "$build/make_cal_files" --network "$run" "$cameras" "$nights" --seed "$seed" ${plain[@]+"${plain[@]}"} >/dev/null
    # The summary program lists the folder into a file in the current
    # directory, so it runs from the run folder; it always ends with status 1.
    (cd "$run" && printf '%s\n' "$run" | "$build/Norv_CalSummary" >/dev/null) || true
    status=0
    "$build/Norv_CalHealth" "$run" >"$run/health_console.txt" 2>&1 || status=$?
    if [ "$status" -eq 3 ]; then
        echo "Norv_CalHealth failed on seed $seed:" >&2
        cat "$run/health_console.txt" >&2
        exit 1
    fi
    runs+=("$run")
done

echo "Seeds: $seeds; $cameras cameras x $nights nights each${plain[@]+ (plain)}"
echo
"$build/health/health_evaluate" "${runs[@]}"
