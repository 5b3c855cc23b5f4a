#!/usr/bin/env bash
# Apexer.exe under Wine and Xvfb: the error report without host libraries, a run against doubles of the
# host libraries with the placement stored and reused, the About box and Cancel while the run waits,
# and the profile and desktop case tables against the real functions.
# Runs Apexer.exe, the library doubles and the conformance runner of the build that runs here
# (scripts/lib/wine-arch: the i686 build natively or under qemu-i386); the driver that plays the user and
# a minimal host is of the host's build. Screenshots and logs go to build/<preset>/wine-apexer/.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
source "$root/scripts/lib/wine-env.sh"
wine_arch_choose
wine_arch_announce run-apexer
build=$root/build/$APEXER_PRESET
tools=$build/tests/wine/apexer
driver=$root/build/$APEXER_HOST_PRESET/tests/wine/apexer/apexer_wine_driver.exe
work=$build/wine-apexer
exe=$build/src/Apexer.exe
for f in "$exe" "$driver" "$tools/apexer_conformance_win32.exe" "$tools/doubles/Iv_vb32.dll"; do
  [ -f "$f" ] || { echo "run-apexer: $f is missing; build the $APEXER_PRESET and $APEXER_HOST_PRESET presets first" >&2; exit 1; }
done

apexer_pid=""
cleanup() {
  [ -n "$apexer_pid" ] && kill "$apexer_pid" 2>/dev/null || true
  wine_env_stop
}
trap cleanup EXIT
mkdir -p "$work"
wine_env_start "$work/prefix"
rm -rf "$work/runs" "$work/shots"
mkdir -p "$work/runs" "$work/shots"

failures=0
pass() { echo "  ok   $*"; }
fail() { echo "  FAIL $*"; failures=$((failures + 1)); }
check() { local what=$1; shift; if "$@"; then pass "$what"; else fail "$what"; fi; }
same() { [ "$1" = "$2" ] || { echo "       expected [$2]" >&2; echo "       got      [$1]" >&2; return 1; }; }
drv() { timeout 30 wine "$driver" "$@" | tr -d '\r'; }
field() { sed -n "s/^$1=//p"; }
# A window's info once LINE is among its lines, or the last reading after 5 s: another process sets a
# window's state a moment after the window shows, so one look can come too early.
info_when() {
  local out i
  for i in $(seq 50); do
    out=$(drv info "$1")
    grep -qx "$2" <<<"$out" && break
    sleep 0.1
  done
  printf '%s\n' "$out"
}
calc() { awk "BEGIN { print $1 }"; }
journal() { tr -d '\r' <"$1/double-journal.txt" 2>/dev/null || true; }
winpath() { winepath -w "$1" 2>/dev/null | tr -d '\r'; }

# A folder with the program and, optionally, library doubles (full or with a missing entry point).
make_run_dir() {
  local dir=$work/runs/$1 libs=$2
  mkdir -p "$dir"
  cp "$exe" "$dir/"
  case $libs in
    full) cp "$tools"/doubles/*.dll "$dir/" ;;
    incomplete) cp "$tools"/doubles/*.dll "$dir/"; cp "$tools/doubles-incomplete/Iv_vb32.dll" "$dir/" ;;
  esac
  echo "$dir"
}

# Starts Apexer.exe in the background; its exit code lands in $1/exit-code.
start_apexer() {
  local dir=$1
  rm -f "$dir/exit-code"
  ( cd "$dir" && { rc=0; timeout 60 wine "$dir/Apexer.exe" || rc=$?; echo $rc >"$dir/exit-code"; } ) &
  apexer_pid=$!
}
wait_apexer() {  # sets code
  wait "$apexer_pid" || true
  apexer_pid=""
  code=$(cat "$1/exit-code" 2>/dev/null || echo none)
}

# Ticks of CPU time (user + system) of a process of this prefix, by its name.
prefix_pid() {
  local name=$1 p
  for p in $(pgrep -x "$name"); do
    tr '\0' '\n' 2>/dev/null <"/proc/$p/environ" | grep -qx "WINEPREFIX=$WINEPREFIX" && { echo "$p"; return; }
  done
}
ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }

shot() {  # shot NAME HWND: the whole screen, and the window cut out of it
  local file=$work/shots/$1.png rect
  import -window root -display "$DISPLAY" "$work/shots/$1-screen.png" 2>/dev/null || return 0
  rect=$(drv info "$2" | field rect) || return 0
  IFS=, read -r x y w h <<<"$rect"
  convert "$work/shots/$1-screen.png" -crop "$((w + 20))x$((h + 20))+$((x > 10 ? x - 10 : 0))+$((y > 10 ? y - 10 : 0))" +repage "$file"
}

echo "== conformance: the shared profile and desktop cases against the real functions"
mkdir -p "$work/runs/conformance"
log=$work/runs/conformance.log
rc=0
timeout 90 wine "$tools/apexer_conformance_win32.exe" "$(winpath "$work/runs/conformance")" | tr -d '\r' >"$log" || rc=$?
grep "^FAIL" "$log" | sed 's/^/       /' || true
check "the conformance runner passes (exit $rc)" test "$rc" = 0
for mode in "profile" "desktop, windows of this process" "desktop, windows of another process"; do
  check "$(grep "^$mode: " "$log" || echo "$mode: did not run")" grep -qE "^$mode: [1-9][0-9]* cases, 0 failed$" "$log"
done

echo "== no host libraries: the error report"
dir=$(make_run_dir no-libraries none)
t0=$(date +%s.%N)
start_apexer "$dir"
box=$(drv message-box Apexer 20000) || true
t1=$(date +%s.%N)
check "the report names the library and the run-time error" \
  same "$(field text <<<"$box")" "Run-time error '48':||Error in loading DLL: Iv_vb32.dll"
check "the report is owned by the status window" same "$(field owner <<<"$box")" 1
wait_apexer "$dir"
check "exit code 1" same "$code" 1
check "no Apexer.INI written" test ! -e "$dir/Apexer.INI"
echo "  start-up to the report box: $(calc "$t1 - $t0") s"

echo "== a library without one of its entry points: found before the host is called"
dir=$(make_run_dir incomplete incomplete)
start_apexer "$dir"
box=$(drv message-box Apexer 20000) || true
check "the report names the entry point and the library" \
  same "$(field text <<<"$box")" "Run-time error '453':||Can't find DLL entry point CopyMemVB in Iv_vb32.dll"
wait_apexer "$dir"
check "exit code 1" same "$code" 1
check "the host was not called" test -z "$(journal "$dir" | grep '^sample' || true)"
check "no Apexer.INI written" test ! -e "$dir/Apexer.INI"

echo "== no current sample: the run shows 0 and stores the placement"
dir=$(make_run_dir "no sample, café" full)  # a folder name with a space and an ANSI letter
t0=$(date +%s.%N)
start_apexer "$dir"
wait_apexer "$dir"
t1=$(date +%s.%N)
echo "  whole run: $(calc "$t1 - $t0") s"
check "exit code 0" same "$code" 0
journal=$(journal "$dir")
seen=$(grep '^sample ' <<<"$journal" || true)
end=$(grep '^end ' <<<"$journal" || true)
rect=$(sed -n 's/.* rect=\([^ ]*\) .*/\1/p' <<<"$end")
IFS=, read -r _ _ width height <<<"$rect"
check "first start: the window opens top-most at the top-left corner" \
  same "$seen" "sample label=Initializing rect=0,0,$width,$height topmost=1 visible=1 fits=1"
check "the label ends with 0" same "${end%% rect=*}" "end label=0"
check "the designed size plus its frame" test "${width:-0}" -gt 162 -a "${height:-0}" -gt 62
ini=$(tr -d '\r' <"$dir/Apexer.INI" 2>/dev/null || true)
check "Apexer.INI beside the exe holds the real rectangle" same "$ini" "$(printf '[Combine]\nCombiner=%s' "$rect")"

printf '[Combine]\r\nCombiner=412,233,5,5\r\n' >"$dir/Apexer.INI"
rm -f "$dir/double-journal.txt"
start_apexer "$dir"
wait_apexer "$dir"
check "exit code 0 with a stored placement" same "$code" 0
seen=$(journal "$dir" | grep '^sample ' || true)
check "the stored position is applied, the stored size is not" \
  same "$seen" "sample label=Initializing rect=412,233,$width,$height topmost=1 visible=1 fits=1"
stored=$(tr -d '\r' <"$dir/Apexer.INI" | field Combiner)
check "the placement written back" same "$stored" "412,233,$width,$height"
rm -f "$dir/double-journal.txt"
start_apexer "$dir"
wait_apexer "$dir"
check "a second run opens where the first one stored" \
  same "$(journal "$dir" | grep '^sample ' || true)" \
  "sample label=Initializing rect=412,233,$width,$height topmost=1 visible=1 fits=1"

echo "== in the root of a drive: the settings file is still found beside the executable"
root_dir=$WINEPREFIX/drive_c
cp "$exe" "$tools"/doubles/*.dll "$root_dir/"
rm -f "$root_dir/Apexer.INI"
start_apexer "$root_dir"
wait_apexer "$root_dir"
check "exit code 0" same "$code" 0
check "C:\\Apexer.INI written" grep -q "^Combiner=0,0," <<<"$(tr -d '\r' <"$root_dir/Apexer.INI" 2>/dev/null)"
rm -f "$root_dir/Apexer.exe" "$root_dir"/*.dll "$root_dir/Apexer.INI" "$root_dir/double-journal.txt" "$root_dir/exit-code"

echo "== one peak: host records, a global-memory block and the host's settings across the run"
dir=$(make_run_dir one-peak full)
printf '[Combine]\r\nChroDesc=TIC\r\n' >"$dir/Apexer.INI"
host_ini=$WINEPREFIX/drive_c/Ionvane/Ionvane.ini
mkdir -p "$(dirname "$host_ini")"
printf '[SpeDisplay]\r\nReplace=TRUE\r\n' >"$host_ini"
export APEXER_DOUBLE_MODE=one-peak
start_apexer "$dir"
unset APEXER_DOUBLE_MODE
wait_apexer "$dir"
check "exit code 0" same "$code" 0
j=$(journal "$dir")
check "texts reach the bridge" grep -qx "GetGlobalFile SystemList RAW" <<<"$j"
check "the stored parameter set is asked for by name" grep -qx "IntegrateGetIniFile ChrIntegrate" <<<"$j"
check "the integrator gets function 1, the TIC, all scans" \
  grep -qx "IntegrateChromatogramRange function=1 kind=0 first=1 last=10 aux=0" <<<"$j"
check "the counter is shown in full while combining" grep -q "^combine label=Processing: 1/1 .* fits=1$" <<<"$j"
check "\"Replace\" is FALSE while combining" grep -qx "combine Replace=FALSE" <<<"$j"
check "no host window to combine in refuses the scan: the label ends with its index, 0" grep -q "^end label=0 " <<<"$j"
check "the peak block is freed" grep -qx "peak block freed" <<<"$j"
check "\"Replace\" is back to TRUE" same "$(tr -d '\r' <"$host_ini" | field Replace)" TRUE
check "the placement is stored" grep -q "^Combiner=0,0," <<<"$(tr -d '\r' <"$dir/Apexer.INI")"

echo "== six peaks in one block: the range each one gets in the dialog of a host in another process"
dir=$(make_run_dir peaks full)
printf '[Combine]\r\nChroDesc=TIC\r\n' >"$dir/Apexer.INI"
timeout 60 wine "$driver" host-window "Chromatogram - [DOUBLE01]" 0 host \
  | tr -d '\r' >"$dir/host.log" &
host_pid=$!
host=$(drv wait "Double Host" 20000) || true
check "the host's main window is up" test -n "$host"
export APEXER_DOUBLE_MODE=peaks
start_apexer "$dir"
unset APEXER_DOUBLE_MODE
wait_apexer "$dir"
[ -n "$host" ] && drv post "$host" 0x8000 >/dev/null
wait "$host_pid" || true
check "exit code 0" same "$code" 0
# ApexScan 1.0 2.5 3.5 5.0 9.5 10.0 of 10 scans: halves to even, the range clipped at 1 and at 10.
expected=$(printf '308=[%s] 310=[] 369=[1] 176=[1]\n' 1:2 1:3 3:5 4:6 9:10 9:10)
check "each peak in order: 308 the apex range, 310 empty, 369 and 176 \"1\"" \
  same "$(sed -n 's/^ok at [^ ]* //p' "$dir/host.log")" "$expected"
j=$(journal "$dir")
check "the label ends with the peak count" grep -q "^end label=6 " <<<"$j"
check "the peak block is freed" grep -qx "peak block freed" <<<"$j"

echo "== how soon a window of another program that goes away is noticed, after a long wait"
dir=$(make_run_dir reaction full)
latencies=()
for n in 1 2 3 4 5; do
  printf '[Combine]\r\nChroDesc=TIC\r\n' >"$dir/Apexer.INI"
  rm -f "$dir/double-journal.txt"
  timeout 60 wine "$driver" host-window Chromatogram 0 | tr -d '\r' >"$dir/host.log" &
  host_pid=$!
  drv wait Chromatogram 20000 >/dev/null || true
  export APEXER_DOUBLE_MODE=sample-only
  start_apexer "$dir"
  unset APEXER_DOUBLE_MODE
  for _ in $(seq 100); do grep -q "close ignored" "$dir/host.log" && break; sleep 0.05; done
  sleep "$(calc "0.3 + 0.2 * $n")"  # 0.5 to 1.3 s
  drv post "$(drv wait Chromatogram 0)" 0x8000 >/dev/null || true
  wait "$host_pid" || true
  wait_apexer "$dir"
  closed=$(sed -n 's/^closed at \(.*\)$/\1/p' "$dir/host.log")
  asked=$(journal "$dir" | sed -n 's/^integration asked at \(.*\) ms$/\1/p')
  [ -n "$closed" ] && [ -n "$asked" ] && latencies+=("$(calc "$asked - $closed")")
done
check "the run goes on once the window is gone, five times out of five" same "${#latencies[@]}" 5
median=$(printf '%s\n' "${latencies[@]}" | sort -g | sed -n 3p)
echo "  noticed after (ms): ${latencies[*]}; median ${median:-none} (judged by the benchmark report)"

echo "== a host window that appears is acted on at once; the combine dialog never comes: error 32767"
dir=$(make_run_dir combine full)
host_ini=$WINEPREFIX/drive_c/Ionvane/Ionvane.ini
printf '[SpeDisplay]\r\nReplace=TRUE\r\n' >"$host_ini"
printf '[Combine]\r\nChroDesc=TIC\r\n' >"$dir/Apexer.INI"
before=$(cat "$dir/Apexer.INI")
export APEXER_DOUBLE_MODE=combine
start_apexer "$dir"
unset APEXER_DOUBLE_MODE
# The window comes while the program waits for it: after the integration (which closes any open one) has
# asked for the file name again to build the title it waits for. How long the program takes to get there
# differs between paths, so the check waits for it instead of guessing.
for _ in $(seq 300); do
  [ "$(journal "$dir" | grep -c '^GetGlobalFile ')" -ge 2 ] && break
  sleep 0.1
done
timeout 60 wine "$driver" host-window "Chromatogram - [DOUBLE01]" 500 | tr -d '\r' >"$dir/host.log" &
host_pid=$!
box=$(drv message-box Apexer 30000) || true
drv post "$(drv wait "Chromatogram - [DOUBLE01]" 0)" 0x8000 >/dev/null || true
wait "$host_pid" || true
wait_apexer "$dir"
created=$(sed -n 's/^created at \(.*\)$/\1/p' "$dir/host.log")
command=$(sed -n 's/^command 354 at \(.*\)$/\1/p' "$dir/host.log")
check "the chromatogram window gets the combine command" test -n "$command"
check "the host's window was created" test -n "$created"
[ -n "$created" ] && [ -n "$command" ] && echo "  acted on the new window after $(calc "$command - $created") ms"
check "the report shows error 32767" \
  same "$(field text <<<"$box")" "Run-time error '32767':||Unable to find Combine Spectrum dialogue box"
check "exit code 1" same "$code" 1
check "\"Replace\" is put back" same "$(tr -d '\r' <"$host_ini" | field Replace)" TRUE
check "the raw file is released" grep -q "^DmRawClose$" <<<"$(journal "$dir")"
check "no placement written" same "$(cat "$dir/Apexer.INI")" "$before"

echo "== the About box while the run waits, then Cancel"
dir=$(make_run_dir waiting full)
printf '[Combine]\r\nChroDesc=TIC\r\nCombiner=300,200,0,0\r\n' >"$dir/Apexer.INI"
before=$(cat "$dir/Apexer.INI")
export APEXER_DOUBLE_MODE=stuck-chromatogram
start_apexer "$dir"
unset APEXER_DOUBLE_MODE
status=$(drv wait Apexer 20000) || true
for _ in $(seq 100); do grep -q "WM_CLOSE ignored" "$dir/double-journal.txt" 2>/dev/null && break; sleep 0.1; done
check "the run waits for the host's chromatogram window" grep -q "WM_CLOSE ignored" "$dir/double-journal.txt"

app=$(prefix_pid Apexer.exe)
server=$(prefix_pid wineserver64)
[ -n "$server" ] || server=$(prefix_pid wineserver)
cpu=""
if [ -n "$app" ] && [ -n "$server" ]; then
  a0=$(ticks "$app"); s0=$(ticks "$server"); t0=$(date +%s.%N)
  sleep 5
  a1=$(ticks "$app"); s1=$(ticks "$server"); t1=$(date +%s.%N)
  hz=$(getconf CLK_TCK)
  cpu=$(calc "100 * ($a1 - $a0 + $s1 - $s0) / $hz / ($t1 - $t0)")
  echo "  CPU while waiting: Apexer $((a1 - a0)) + wineserver $((s1 - s0)) ticks in 5 s = ${cpu}% of a core" \
    "(judged by the benchmark report)"
fi
check "CPU use while waiting measured (Apexer's and wineserver's processes found)" \
  grep -qE '^[0-9.e+-]+$' <<<"$cpu"
info=$(info_when "$status" topmost=1)
check "the status window is top-most" same "$(field topmost <<<"$info")" 1
check "the status window stands at the stored position" same "$(field rect <<<"$info" | cut -d, -f1,2)" "300,200"
controls=$(drv controls "$status")
check "lblStatus shows Initializing" grep -q "^id=100 class=Static .* text=Initializing$" <<<"$controls"
check "cmdClose says Cancel" grep -q "^id=101 class=Button .* text=Cancel$" <<<"$controls"
shot status "$status"

drv click-menu "$status" >/dev/null
about=$(drv wait "About Apexer" 5000) || true
check "the About menu opens the box" test -n "$about"
if [ -n "$about" ]; then
  shot about "$about"
  binfo=$(info_when "$about" topmost=1)
  bcontrols=$(drv controls "$about")
  label() { sed -n "s/^id=$1 class=Static .* text=//p" <<<"$bcontrols"; }
  check "caption About Apexer" same "$(field title <<<"$binfo")" "About Apexer"
  check "the box is top-most" same "$(field topmost <<<"$binfo")" 1
  check "the status window takes no input while the box is shown" same "$(drv info "$status" | field enabled)" 0
  check "lblAppName" same "$(label 301)" "Apexer"
  check "lblDescription" same "$(label 302)" "Apexer"
  check "lblVersion" same "$(label 303)" "V3.3.0"
  check "lblDate is the exe's date in the long date format" \
    same "$(label 304)" "$(drv long-date "$(winpath "$dir/Apexer.exe")")"
  check "lblCopyright has this year" grep -q "$(date +%Y)" <<<"$(label 305)"
  check "picAppIcon shows the owner's icon" grep -q "^id=300 class=Static .* icon=1 " <<<"$bcontrols"
  check "picTelephone and picFax have their images" \
    test "$(grep -c '^id=30[79] class=Static .* icon=1 ' <<<"$bcontrols")" = 2
  check "cmdOK" grep -q "^id=1 class=Button .* text=OK$" <<<"$bcontrols"
  # Placed a caption's height (in twips, x 40) right of and below the owner.
  metrics=$(drv metrics)
  caption=$(field caption <<<"$metrics"); dpi=$(field dpi <<<"$metrics")
  IFS=, read -r ox oy _ _ <<<"$(field rect <<<"$info")"
  IFS=, read -r bx by _ _ <<<"$(field rect <<<"$binfo")"
  offset=$(calc "int(($caption * 40 * $dpi + 720) / 1440)")
  check "the box stands near its owner" same "$bx,$by" "$((ox + offset)),$((oy + offset))"
  drv click "$about" 1 >/dev/null
  for _ in $(seq 50); do drv wait "About Apexer" 0 >/dev/null || break; sleep 0.1; done
  check "OK closes the box" test -z "$(drv wait "About Apexer" 0 || true)"
  check "the status window takes input again" same "$(drv info "$status" | field enabled)" 1
fi

drv close "$status" >/dev/null
sleep 0.3
check "the title-bar close leaves the window and the run" \
  same "$(drv info "$status" | field visible),$(journal "$dir" | grep -c '^DmRawClose$' || true)" "1,0"

timed=$(drv click-timed "$status" 101 10000) || true
wait_apexer "$dir"
echo "  $timed"
check "Cancel: the process ends within 10 s of the click, with exit code 2" \
  grep -qE "^click_to_exit_ms=[0-9.]+ exit_code=2$" <<<"$timed"
check "Cancel ends the program with exit code 2" same "$code" 2
check "the settings file is left as it was" same "$(cat "$dir/Apexer.INI")" "$before"
check "the raw file is released on Cancel" grep -q "^DmRawClose$" <<<"$(journal "$dir")"

echo "screenshots: $work/shots"
[ "$failures" -eq 0 ] || { echo "run-apexer: $failures failed" >&2; exit 1; }
echo "run-apexer: all passed"
