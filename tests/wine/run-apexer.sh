#!/usr/bin/env bash
# Apexer.exe under Wine and Xvfb: the error report without host libraries or with one short of an entry
# point, runs against the stand-in host (the placement stored and reused, what the program asks of the host,
# the range of each peak, how soon it notices a host window), the About box and Cancel while the run waits,
# and the profile and desktop case tables against the real functions.
# Runs Apexer.exe, the stand-in's host libraries and the conformance runner of the build that runs here
# (scripts/lib/wine-arch: the i686 build natively or under qemu-i386); the stand-in host and the driver that
# plays the user are of the host's build. The host's faults and delays are its [StandinFaults] and
# [StandinDelays] settings (shared/host_faults.def). Screenshots and logs go to build/<preset>/wine-apexer/.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
source "$root/scripts/lib/wine-env.sh"
wine_arch_choose
wine_arch_announce run-apexer
build=$root/build/$APEXER_PRESET
tools=$build/tests/wine/apexer
driver=$root/build/$APEXER_HOST_PRESET/tests/wine/apexer/apexer_wine_driver.exe
host_exe=$root/build/$APEXER_HOST_PRESET/standin/bin/StandinHost.exe
libraries=$build/standin/bin
ivtool=$root/build/native/standin/tools/ivtool
work=$build/wine-apexer
exe=$build/src/Apexer.exe
for f in "$exe" "$driver" "$host_exe" "$tools/apexer_conformance_win32.exe" "$libraries/Iv_vb32.dll" \
  "$tools/incomplete/Iv_vb32.dll"; do
  [ -f "$f" ] || { echo "run-apexer: $f is missing; build the $APEXER_PRESET and $APEXER_HOST_PRESET presets first" >&2; exit 1; }
done
[ -x "$ivtool" ] || { echo "run-apexer: $ivtool is missing; build the native preset first" >&2; exit 1; }

apexer_pid=""
host_pid=""
cleanup() {
  [ -n "$apexer_pid" ] && kill "$apexer_pid" 2>/dev/null || true
  [ -n "$host_pid" ] && kill "$host_pid" 2>/dev/null || true
  wine_env_stop
}
trap cleanup EXIT
mkdir -p "$work"
wine_env_start "$work/prefix"
rm -rf "$work/runs" "$work/shots"
mkdir -p "$work/runs" "$work/shots"
# A sample of 50 scans, so that apexes at its edges are easy to name.
sample=$work/sample-50.ivs
[ -f "$sample" ] || "$ivtool" synth --seed 11 --scans 50 "$sample" >/dev/null
host_ini=$WINEPREFIX/drive_c/Ionvane/Ionvane.ini

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
winpath() { winepath -w "$1" 2>/dev/null | tr -d '\r'; }

# The stand-in's journal of a run in DIR: `events DIR EV [FIELD]` prints one line per event EV, the
# field's value or the whole event; `status_seen DIR WHEN` the program's status window as the host's
# bridge saw it from inside the program (client.windows), one line per sighting:
# label=<text> rect=l,t,w,h topmost= visible= fits= (fits: the label is wide enough for its text).
journal_query() {
  python3 - "$@" <<'PY'
import json, sys
path, what, arg = sys.argv[1] + "/journal.jsonl", sys.argv[2], sys.argv[3]
field = sys.argv[4] if len(sys.argv) > 4 else None
try:
    events = [json.loads(l) for l in open(path, errors="replace") if l.strip()]
except OSError:
    events = []
for e in events:
    if what == "events" and e["ev"] == arg:
        value = e if field is None else e.get(field, "")
        print(value if isinstance(value, str) else json.dumps(value))
    elif what == "status" and e["ev"] == "client.windows" and e.get("when") == arg:
        for w in e["windows"]:
            label = [c for c in w["controls"] if c["id"] == 100]
            if w["title"] == "Apexer" and label:
                print(f"label={label[0]['text']} rect={w['rect']} topmost={int(w['topmost'])} "
                      f"visible={int(w['visible'])} fits={int(label[0]['fits'])}")
PY
}
events() { journal_query "$1" events "${@:2}"; }
status_seen() { journal_query "$1" status "$2"; }
# What the status window showed as the program ended (the host's bridge reads it there).
end_label() { events "$1" client.exit windows | python3 -c '
import json, sys
for line in sys.stdin:
    for w in json.loads(line):
        if w and w[0] == "Apexer": print(w[1] if len(w) > 1 else "")'; }

# A folder with the program and, optionally, the stand-in's host libraries (all, or the bridge short of
# an entry point).
make_run_dir() {
  local dir=$work/runs/$1 libs=$2
  mkdir -p "$dir"
  cp "$exe" "$dir/"
  case $libs in
    full) cp "$libraries"/{Iv_vb32,ivraw32,ivpeak32}.dll "$dir/" ;;
    incomplete) cp "$libraries"/{ivraw32,ivpeak32}.dll "$tools/incomplete/Iv_vb32.dll" "$dir/" ;;
  esac
  echo "$dir"
}

# The stand-in host's settings for a run in DIR: its journal there, with the program's windows as the bridge
# sees them (client.windows), the [Standin] lines given first, then the sections given ("[StandinFaults]"
# "IntegratorApexes=5" ...), "Replace" TRUE.
host_settings() {
  local dir=$1; shift
  mkdir -p "$(dirname "$host_ini")" "$dir/pages"
  rm -f "$dir/journal.jsonl"
  { printf '[Standin]\nJournal=%s\nPrintFolder=%s\nOpenWithChromatogram=PeakList\nJournalClientWindows=1\n' \
      "$(winpath "$dir/journal.jsonl")" "$(winpath "$dir/pages")"
    printf '%s\n' "$@"
    printf '[SpeDisplay]\nReplace=TRUE\n'; } | sed 's/$/\r/' >"$host_ini"
}
# Starts the stand-in host on the sample and waits for its main window; stop_host closes it.
start_host() {
  local dir=$1 i
  timeout 300 wine "$host_exe" "$(winpath "$sample")" >"$dir/host.log" 2>&1 &
  host_pid=$!
  for i in $(seq 300); do
    [ -n "$(events "$dir" window.opened role | grep -x main)" ] && return 0
    sleep 0.1
  done
  echo "       the stand-in host did not open its main window" >&2
  return 1
}
stop_host() {
  local dir=$1 main
  [ -n "$host_pid" ] || return 0
  main=$(events "$dir" window.opened | python3 -c '
import json, sys
mains = [json.loads(l) for l in sys.stdin if json.loads(l).get("role") == "main"]
print(mains[-1]["hwnd"] if mains else "")')
  [ -n "$main" ] && drv close "$main" >/dev/null || true
  for _ in $(seq 150); do kill -0 "$host_pid" 2>/dev/null || break; sleep 0.1; done
  kill "$host_pid" 2>/dev/null || true
  wait "$host_pid" || true
  host_pid=""
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
host_settings "$dir"
start_apexer "$dir"
box=$(drv message-box Apexer 20000) || true
check "the report names the entry point and the library" \
  same "$(field text <<<"$box")" "Run-time error '453':||Can't find DLL entry point CopyMemVB in Iv_vb32.dll"
wait_apexer "$dir"
check "exit code 1" same "$code" 1
check "the host was not called" test -z "$(events "$dir" dll.GetSampleListFileVB)"
check "no Apexer.INI written" test ! -e "$dir/Apexer.INI"

echo "== no current sample (no host runs): the run shows 0 and stores the placement"
dir=$(make_run_dir "no sample, café" full)  # a folder name with a space and an ANSI letter
# The host's settings file is read in the ANSI code page: its journal goes to a folder of plain letters.
journal=$work/runs/no-sample
host_settings "$journal"
t0=$(date +%s.%N)
start_apexer "$dir"
wait_apexer "$dir"
t1=$(date +%s.%N)
echo "  whole run: $(calc "$t1 - $t0") s"
check "exit code 0" same "$code" 0
check "the host has no current sample" same "$(events "$journal" dll.GetSampleListFileVB result)" 0
seen=$(status_seen "$journal" GetSampleListFileVB)
rect=$(sed -n 's/.* rect=\([^ ]*\) .*/\1/p' <<<"$seen")
IFS=, read -r _ _ width height <<<"$rect"
check "first start: the window opens top-most at the top-left corner" \
  same "$seen" "label=Initializing rect=0,0,$width,$height topmost=1 visible=1 fits=1"
check "the label ends with 0" same "$(end_label "$journal")" 0
check "the designed size plus its frame" test "${width:-0}" -gt 162 -a "${height:-0}" -gt 62
ini=$(tr -d '\r' <"$dir/Apexer.INI" 2>/dev/null || true)
check "Apexer.INI beside the exe holds the real rectangle" same "$ini" "$(printf '[Combine]\nCombiner=%s' "$rect")"

printf '[Combine]\r\nCombiner=412,233,5,5\r\n' >"$dir/Apexer.INI"
host_settings "$journal"
start_apexer "$dir"
wait_apexer "$dir"
check "exit code 0 with a stored placement" same "$code" 0
check "the stored position is applied, the stored size is not" \
  same "$(status_seen "$journal" GetSampleListFileVB)" "label=Initializing rect=412,233,$width,$height topmost=1 visible=1 fits=1"
stored=$(tr -d '\r' <"$dir/Apexer.INI" | field Combiner)
check "the placement written back" same "$stored" "412,233,$width,$height"
host_settings "$journal"
start_apexer "$dir"
wait_apexer "$dir"
check "a second run opens where the first one stored" \
  same "$(status_seen "$journal" GetSampleListFileVB)" "label=Initializing rect=412,233,$width,$height topmost=1 visible=1 fits=1"

echo "== in the root of a drive: the settings file is still found beside the executable"
root_dir=$WINEPREFIX/drive_c
cp "$exe" "$libraries"/{Iv_vb32,ivraw32,ivpeak32}.dll "$root_dir/"
rm -f "$root_dir/Apexer.INI"
host_settings "$work/runs/root"
start_apexer "$root_dir"
wait_apexer "$root_dir"
check "exit code 0" same "$code" 0
check "C:\\Apexer.INI written" grep -q "^Combiner=0,0," <<<"$(tr -d '\r' <"$root_dir/Apexer.INI" 2>/dev/null)"
rm -f "$root_dir/Apexer.exe" "$root_dir"/{Iv_vb32,ivraw32,ivpeak32}.dll "$root_dir/Apexer.INI" "$root_dir/exit-code"

echo "== one peak: host records, a global-memory block and the host's settings across the run"
dir=$(make_run_dir one-peak full)
printf '[Combine]\r\nChroDesc=TIC\r\n' >"$dir/Apexer.INI"
host_settings "$dir" "[StandinDelays]" "Combine=3000" "[StandinFaults]" "IntegratorApexes=5"
start_host "$dir"
start_apexer "$dir"
wait_apexer "$dir"
stop_host "$dir"
check "exit code 0" same "$code" 0
check "texts reach the bridge" \
  grep -qx "SystemList RAW" <<<"$(paste -d' ' <(events "$dir" dll.GetGlobalFile list) <(events "$dir" dll.GetGlobalFile type))"
check "the stored parameter set is asked for by name" same "$(events "$dir" dll.IntegrateGetIniFile set)" ChrIntegrate
integration=$(for f in function kind first last auxNumber; do printf '%s=%s ' "$f" "$(events "$dir" dll.IntegrateChromatogramRange "$f")"; done)
check "the integrator gets function 1, the TIC, all scans" same "$integration" "function=1 kind=0 first=1 last=50 auxNumber=0 "
check "the counter is shown in full while combining" \
  grep -q "^label=Processing: 1/1 .* fits=1$" <<<"$(status_seen "$dir" GetApplicationWnd)"
check "\"Replace\" is FALSE while combining" same "$(events "$dir" combine replaceSetting)" FALSE
check "the label ends with the peak count" same "$(end_label "$dir")" 1
check "the peak block is freed" same "$(events "$dir" client.peak-blocks kept)" 0
check "\"Replace\" is back to TRUE" same "$(tr -d '\r' <"$host_ini" | field Replace)" TRUE
check "the placement is stored" grep -q "^Combiner=" <<<"$(tr -d '\r' <"$dir/Apexer.INI")"

echo "== six peaks in one block: the range each one gets in the dialog of a host in another process"
dir=$(make_run_dir peaks full)
printf '[Combine]\r\nChroDesc=TIC\r\n' >"$dir/Apexer.INI"
host_settings "$dir" "[StandinFaults]" "IntegratorApexes=1, 2.5, 3.5, 5, 49.5, 50"
start_host "$dir"
start_apexer "$dir"
wait_apexer "$dir"
stop_host "$dir"
check "exit code 0" same "$code" 0
# Of 50 scans: halves to even, the range clipped at 1 and at 50.
expected=$(printf '308=[%s] 310=[] 369=[1] 176=[1]\n' 1:2 1:3 3:5 4:6 49:50 49:50)
got=$(events "$dir" dialog.ok | python3 -c '
import json, sys
for line in sys.stdin:
    e = json.loads(line)
    print(" ".join(f"{k}=[{e.get(k, chr(63))}]" for k in ("308", "310", "369", "176")))')
check "each peak in order: 308 the apex range, 310 empty, 369 and 176 \"1\"" same "$got" "$expected"
check "the label ends with the peak count" same "$(end_label "$dir")" 6
check "the peak block is freed" same "$(events "$dir" client.peak-blocks kept)" 0

echo "== how soon a host window that goes away is noticed, after a long wait"
dir=$(make_run_dir reaction full)
latencies=()
for n in 1 2 3 4 5; do
  printf '[Combine]\r\nChroDesc=TIC\r\n' >"$dir/Apexer.INI"
  # The chromatogram window goes 0.5 to 1.3 s after it is asked to close; the run waits for it.
  host_settings "$dir" "OpenAtStart=Chromatogram" "[StandinDelays]" "Close=$((300 + 200 * n))" \
    "[StandinFaults]" "IntegratorPeaks=0"
  start_host "$dir"
  start_apexer "$dir"
  wait_apexer "$dir"
  stop_host "$dir"
  [ "$n" = 1 ] && check "the window stands top-most at the top-left corner while the run waits" \
    grep -qx "label=Initializing rect=0,0,[0-9]*,[0-9]* topmost=1 visible=1 fits=1" <<<"$(status_seen "$dir" GetSampleListFileVB)"
  closed=$(events "$dir" window.closed | python3 -c '
import json, sys
print(next((json.loads(l)["tq"] for l in sys.stdin if json.loads(l).get("role") == "chromatogram"), ""))')
  asked=$(events "$dir" dll.IntegrateGetIniFile tq | sed -n 1p)
  [ -n "$closed" ] && [ -n "$asked" ] && latencies+=("$(calc "$asked - $closed")")
done
check "the run goes on once the window is gone, five times out of five" same "${#latencies[@]}" 5
median=$(printf '%s\n' "${latencies[@]}" | sort -g | sed -n 3p)
echo "  noticed after (ms): ${latencies[*]}; median ${median:-none} (judged by the benchmark report)"

echo "== a host window that appears is acted on at once; the combine dialog never comes: error 32767"
dir=$(make_run_dir combine full)
printf '[Combine]\r\nChroDesc=TIC\r\n' >"$dir/Apexer.INI"
before=$(cat "$dir/Apexer.INI")
# The chromatogram window comes half a second after the launch command, while the program waits for it.
host_settings "$dir" "[StandinDelays]" "Launch=500" "[StandinFaults]" "IntegratorPeaks=1" "DialogNeverOpens=1"
start_host "$dir"
start_apexer "$dir"
box=$(drv message-box Apexer 30000) || true
wait_apexer "$dir"
stop_host "$dir"
created=$(events "$dir" window.opened | python3 -c '
import json, sys
print(next((json.loads(l)["tq"] for l in sys.stdin if json.loads(l).get("role") == "chromatogram"), ""))')
command=$(events "$dir" command.received | python3 -c '
import json, sys
print(next((json.loads(l)["tq"] for l in sys.stdin if json.loads(l).get("id") == 354), ""))')
check "the chromatogram window gets the combine command" test -n "$command"
check "the host's window was created" test -n "$created"
[ -n "$created" ] && [ -n "$command" ] && echo "  acted on the new window after $(calc "$command - $created") ms"
check "the report shows error 32767" \
  same "$(field text <<<"$box")" "Run-time error '32767':||Unable to find Combine Spectrum dialogue box"
check "exit code 1" same "$code" 1
check "\"Replace\" is put back" same "$(tr -d '\r' <"$host_ini" | field Replace)" TRUE
check "the raw file is released" test "$(events "$dir" dll.DmRawClose | wc -l)" -ge 2
check "no placement written" same "$(cat "$dir/Apexer.INI")" "$before"

echo "== the About box while the run waits, then Cancel"
dir=$(make_run_dir waiting full)
printf '[Combine]\r\nChroDesc=TIC\r\nCombiner=300,200,0,0\r\n' >"$dir/Apexer.INI"
before=$(cat "$dir/Apexer.INI")
# A chromatogram window that takes a minute to go once asked: the run waits for it.
host_settings "$dir" "OpenAtStart=Chromatogram" "[StandinDelays]" "Close=60000" "[StandinFaults]" "IntegratorPeaks=1"
start_host "$dir"
start_apexer "$dir"
status=$(drv wait Apexer 20000) || true
for _ in $(seq 100); do [ -n "$(events "$dir" window.close-request role | grep -x chromatogram)" ] && break; sleep 0.1; done
check "the run waits for the host's chromatogram window" \
  test -n "$(events "$dir" window.close-request role | grep -x chromatogram)"

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
  same "$(drv info "$status" | field visible),$(events "$dir" dll.DmRawClose | wc -l)" "1,0"

timed=$(drv click-timed "$status" 101 10000) || true
wait_apexer "$dir"
echo "  $timed"
check "Cancel: the process ends within 10 s of the click, with exit code 2" \
  grep -qE "^click_to_exit_ms=[0-9.]+ exit_code=2$" <<<"$timed"
check "Cancel ends the program with exit code 2" same "$code" 2
check "the settings file is left as it was" same "$(cat "$dir/Apexer.INI")" "$before"
check "the raw file is released on Cancel" test "$(events "$dir" dll.DmRawClose | wc -l)" -ge 1
# The chromatogram window still has most of its minute to go: the host is ended without waiting for it.
host_settings "$work/runs/after"
stop_host "$dir"

echo "screenshots: $work/shots"
[ "$failures" -eq 0 ] || { echo "run-apexer: $failures failed" >&2; exit 1; }
echo "run-apexer: all passed"
