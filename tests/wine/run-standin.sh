#!/usr/bin/env bash
# Checks of the stand-in host under Wine + Xvfb, three googletest programs: the exported names and every
# export called with expected results, the host driven the way the client drives it (journal, windows, page
# files, screenshots), and the host contract of tests/conformance/host_cases.cpp. Each program's exit code
# is its verdict; its report stays beside its log as XML.
# The libraries and the programs that call them are of Apexer's build (i686, natively or under qemu-i386);
# StandinHost.exe is of the host's build (x86_64 where the i686 build runs emulated).
# Artifacts (journal, pages, screenshots) stay in build/<preset>/standin-checks.
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
# shellcheck source=../../scripts/lib/wine-env.sh
source "$root/scripts/lib/wine-env.sh"
wine_arch_choose
wine_arch_announce run-standin
build=$root/build/$APEXER_PRESET
out=$build/standin-checks
bin=$out/bin

[ -f "$build/build.ninja" ] || cmake --preset "$APEXER_PRESET" >/dev/null
cmake --build --preset "$APEXER_PRESET" --target StandinHost Iv_vb32 ivraw32 ivpeak32 standin_exports_test \
  standin_host_driver apexer_conformance_win32 >/dev/null
if [ "$APEXER_HOST_PRESET" != "$APEXER_PRESET" ]; then
  [ -f "$root/build/$APEXER_HOST_PRESET/build.ninja" ] || cmake --preset "$APEXER_HOST_PRESET" >/dev/null
  cmake --build --preset "$APEXER_HOST_PRESET" --target StandinHost >/dev/null
fi

rm -rf "$out"
wine_client_bin "$bin"

failed=0
note() { printf '%s\n' "$*"; }

# Wine with a private display; everything started here ends with wine_env_stop.
trap 'kill "${driver_pid:-}" 2>/dev/null || true; wine_env_stop' EXIT
wine_env_start "$build/standin-wine/prefix"

mkdir -p "$out/shots" "$out/exports" "$out/driver"
ini_dir=$WINEPREFIX/drive_c/Ionvane
mkdir -p "$ini_dir"
journal_w=$(winepath -w "$out/journal.jsonl" 2>/dev/null)
printf '[Standin]\r\nJournal=%s\r\n[SpeDisplay]\r\nReplace=TRUE\r\n' "$journal_w" >"$ini_dir/Ionvane.ini"
bin_w=$(winepath -w "$bin" 2>/dev/null)

# A program's report in XML, beside its log.
report() { echo "--gtest_output=xml:$(winepath -w "$out/$1.xml" 2>/dev/null)"; }

t0=$(date +%s%3N)
timeout 180 wine "$bin/standin_exports_test.exe" "$(report exports)" "$bin_w" \
  "$(winepath -w "$out/exports" 2>/dev/null)" >"$out/exports.log" 2>&1 || failed=1
tr -d '\r' <"$out/exports.log"
t1=$(date +%s%3N)

# The driver asks for screenshots by dropping NAME.req; each is taken and answered with NAME.done.
timeout 300 wine "$bin/standin_host_driver.exe" "$(report driver)" "$bin_w" "$(winepath -w "$out/driver" 2>/dev/null)" \
  "$(winepath -w "$out/shots" 2>/dev/null)" >"$out/driver.log" 2>&1 &
driver_pid=$!
while kill -0 "$driver_pid" 2>/dev/null; do
  for req in "$out"/shots/*.req; do
    [ -e "$req" ] || continue
    name=$(basename "$req" .req)
    import -window root -display "$DISPLAY" "$out/shots/$name.png"
    rm -f "$req"
    touch "$out/shots/$name.done"
  done
  sleep 0.1
done
wait "$driver_pid" || failed=1
driver_pid=
tr -d '\r' <"$out/driver.log"
t2=$(date +%s%3N)

# The host contract that the unit tests hold the scripted host to, here against the stand-in host.
timeout 300 wine "$build/tests/wine/apexer/apexer_conformance_win32.exe" "$(report host-contract)" \
  "$(winepath -w "$out" 2>/dev/null)" "$bin_w" "$(winepath -w "$out/driver/driver-sample.ivs" 2>/dev/null)" \
  >"$out/host-contract.log" 2>&1 || failed=1
tr -d '\r' <"$out/host-contract.log"
t3=$(date +%s%3N)

pages=$(find "$out/driver/pages" -name '*.pdf' | wc -l)
secs() { printf '%d.%d' $((($2 - $1) / 1000)) $((($2 - $1) % 1000 / 100)); }
note "exports: $(secs "$t0" "$t1") s; host driver: $(secs "$t1" "$t2") s; host contract: $(secs "$t2" "$t3") s;" \
  "journal: $(wc -l <"$out/journal.jsonl") lines; pages: $pages; screenshots: $(ls "$out"/shots/*.png 2>/dev/null | wc -l)"
if [ "$failed" -ne 0 ]; then
  note "run-standin: FAILED (logs in $out)"
  exit 1
fi
note "run-standin: all checks passed"
