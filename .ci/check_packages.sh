#!/usr/bin/env bash
# Checks the packages as a user would: the .deb's file list, its programs run
# from a scratch root (dpkg -x), and the Windows zip's contents and its
# summary program run under wine. Run after `cmake --workflow --preset
# package`; the packages are in build-package/packages.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=build-package/packages
version=$(sed -n 's/^project(Norv_CalSummary VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
deb="$packages/norv-calsummary_${version}_amd64.deb"
zip="$packages/norv-calsummary-${version}-windows-x86_64.zip"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "check_packages: $*" >&2; exit 1; }

# The sample calibrations summarized by a program; its tables must be those
# the build's own program writes.
expected="$scratch/expected"
cp -r examples/calibrations "$expected"
printf '%s\n\n' "$expected" | build/Norv_CalSummary >/dev/null || true
summarize_and_compare() {  # <label> <folder as the program is told it> <folder on disk> <program...>
    local label=$1 told=$2 folder=$3
    shift 3
    printf '%s\r\n\r\n' "$told" | "$@" >"$scratch/$label.out" 2>&1 || true
    grep -q "Done with processing" "$scratch/$label.out" || { cat "$scratch/$label.out"; fail "$label: no closing line"; }
    diff -r "$expected/Summary" "$folder/Summary" >/dev/null || fail "$label: tables differ from the build's"
    echo "$label: the sample folder summarized, tables as the build's"
}

echo "== $deb ($(stat -c %s "$deb") bytes)"
dpkg -c "$deb"
# Listings are taken whole before they are searched: `grep -q` stops reading at
# its first match, and under pipefail the writer's SIGPIPE would fail the check.
deb_files=$(dpkg -c "$deb" | awk '{ print $6 }')
for path in ./usr/bin/Norv_CalSummary ./usr/bin/Norv_CalHealth ./usr/bin/make_cal_files \
            ./usr/share/doc/Norv_CalSummary/README.md ./usr/share/doc/Norv_CalSummary/LICENSE \
            ./usr/share/doc/Norv_CalSummary/third_party/uplot/LICENSE \
            ./usr/share/man/man1/Norv_CalSummary.1 ./usr/share/man/man1/Norv_CalHealth.1 \
            ./usr/share/man/man1/make_cal_files.1; do
    grep -qx -- "$path" <<<"$deb_files" || fail "the .deb lacks $path"
done
# The pictures the README shows, beside it at the paths its links give.
readme_pictures=$(grep -o '!\[[^]]*\]([^)]*)' README.md | sed 's/^.*(\(.*\))$/\1/' | grep -v '://' || true)
for picture in $readme_pictures; do
    grep -qx -- "./usr/share/doc/Norv_CalSummary/$picture" <<<"$deb_files" || fail "the .deb lacks $picture, shown by its README"
done
grep -q "Depends:.*libreadline8" <<<"$(dpkg -I "$deb")" || fail "the .deb does not depend on the readline runtime"
root="$scratch/root"
dpkg -x "$deb" "$root"
cp -r examples/calibrations "$scratch/deb_calibrations"
summarize_and_compare deb "$scratch/deb_calibrations" "$scratch/deb_calibrations" "$root/usr/bin/Norv_CalSummary"
[[ "$("$root/usr/bin/Norv_CalHealth" --version)" == "Norv_CalHealth $version" ]] ||
    fail "Norv_CalHealth --version does not print $version"
echo "deb: Norv_CalHealth --version prints $version"

if [[ ! -f "$zip" ]]; then
    echo "no $zip (no cross compiler): the Windows zip is not checked"
    exit 0
fi
echo "== $zip ($(stat -c %s "$zip") bytes)"
unzip -l "$zip"
top="norv-calsummary-${version}-windows-x86_64"
zip_files=$(unzip -l "$zip" | awk '{ print $4 }')
for path in bin/Norv_CalSummary.exe bin/Norv_CalHealth.exe bin/make_cal_files.exe \
            share/doc/Norv_CalSummary/README.md share/doc/Norv_CalSummary/LICENSE \
            share/doc/Norv_CalSummary/third_party/uplot/LICENSE; do
    grep -qx -- "$top/$path" <<<"$zip_files" || fail "the zip lacks $top/$path"
done
for picture in $readme_pictures; do
    grep -qx -- "$top/share/doc/Norv_CalSummary/$picture" <<<"$zip_files" || fail "the zip lacks $picture, shown by its README"
done
unzip -q "$zip" -d "$scratch/zip"
cp -r examples/calibrations "$scratch/zip_calibrations"
export WINEDEBUG=-all WINEDLLOVERRIDES="winedbg.exe=d"
unset DISPLAY
cmake/wine-run.sh --warm-up
summarize_and_compare zip "$(winepath -w "$scratch/zip_calibrations")" "$scratch/zip_calibrations" \
    wine "$scratch/zip/$top/bin/Norv_CalSummary.exe"
