#!/usr/bin/env bash
# Page benchmark of the health report: pages of 20, 1,000 and 10,000
# cameras (a generated network of 20 cameras over 365 nights, analysed once
# and repeated by health_page_bench), each opened in headless Chromium by
# health_page_driver at 1400 x 900, which prints the page's figures:
#   first_paint_ms     first contentful paint (Paint Timing)
#   first_screen_ms    the page's mark once the overview's strips are drawn
#   first_charts_ms    the first camera's charts drawn, scrolled to at once
#   sections_read_ms   the page's mark once every section is read
#   all_drawn_ms       every chart drawn, scrolling through every camera's
#                      section in turn (closed ones opened), each waited on
#                      until its charts are drawn
# all from navigation start. 10,000 cameras are not scrolled through unless
# --draw-all is given (some hours). The driver starts while the page loads
# and keeps screenshots of the first screen and first camera in the work
# folder's browserN/ (a temporary folder unless --work is given).
#
#   health/bench/page.sh [--cameras "20 1000 10000"] [--draw-all] [--build DIR] [--work DIR]
set -euo pipefail

counts="20 1000 10000"
draw_all=no
build="build"
work=""
while [ $# -gt 0 ]; do
    case "$1" in
        --cameras) counts="$2"; shift 2 ;;
        --draw-all) draw_all=yes; shift ;;
        --build) build="$2"; shift 2 ;;
        --work) work="$2"; shift 2 ;;
        *) echo "usage: $0 [--cameras \"N ...\"] [--draw-all] [--build DIR] [--work DIR]" >&2; exit 2 ;;
    esac
done

root="$(cd "$(dirname "$0")/../.." && pwd)"
case "$build" in /*) ;; *) build="$root/$build" ;; esac
for binary in make_cal_files Norv_CalSummary health/health_page_bench health/health_page_driver; do
    if [ ! -x "$build/$binary" ]; then
        echo "missing $build/$binary: build first (cmake --workflow --preset test)" >&2
        exit 1
    fi
done
chromium="$(command -v chromium || command -v chromium-browser || true)"
if [ -z "$chromium" ]; then
    echo "missing chromium: install the Debian package chromium" >&2
    exit 1
fi
if [ -z "$work" ]; then
    work="$(mktemp -d)"
    trap 'rm -rf "$work"' EXIT
fi
mkdir -p "$work"
if [ ! -d "$work/network/Summary" ]; then
    "$build/make_cal_files" --network "$work/network" 20 365 --seed 1 >/dev/null
    printf '%s\n\n' "$work/network" | "$build/Norv_CalSummary" >/dev/null || [ $? -eq 1 ]
fi
checks="$root/health/tests/browser"
for count in $counts; do
    "$build/health/health_page_bench" --cameras "$count" --out "$work/page$count.html" "$work/network"
    draw=yes
    if [ "$count" -gt 1000 ] && [ "$draw_all" = no ]; then draw=no; fi
    "$build/health/health_page_driver" --chromium "$chromium" --page "$work/page$count.html" \
        --script "$checks/checks_common.js" --script "$checks/timing_checks.js" --arg "draw_all=$draw" --early \
        --out "$work/browser$count" --timeout 20000 | grep -E '^(figure|FAIL|scripts)' || true
    rm -f "$work/page$count.html"
done
