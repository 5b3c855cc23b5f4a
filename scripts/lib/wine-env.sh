# Shared Wine + Xvfb environment for checks and the demo. Source it, then:
#   wine_arch_choose            the architecture that runs here (scripts/lib/wine-arch), exported once
#   wine_arch_announce NAME     one line: which build runs under which Wine, and why
#   wine_env_start [PREFIX]     a prefix of that architecture (made once, then reused), a private Xvfb
#   wine_env_stop               ends wineserver and the Xvfb it started (only those)
# Exports APEXER_ARCH, APEXER_PRESET, APEXER_WINEARCH, APEXER_WINE, WINEPREFIX, WINEARCH, WINELOADER (64-bit),
# WINEDEBUG, DISPLAY, and puts the architecture's `wine` first on PATH.

wine_env_lib=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

wine_arch_choose() {
  local choice
  choice=$("$wine_env_lib/wine-arch") || return 1
  eval "$choice"
  export APEXER_RUNS_32 APEXER_ARCH APEXER_PRESET APEXER_WINEARCH APEXER_WINE APEXER_ARCH_WHY
  case ":$PATH:" in *":$wine_env_lib/wine-bin:"*) ;; *) export PATH="$wine_env_lib/wine-bin:$PATH" ;; esac
  export WINEARCH=$APEXER_WINEARCH
  # As Debian's own `wine` does when it runs the 64-bit loader.
  if [ "$APEXER_WINEARCH" = win64 ]; then export WINELOADER=$APEXER_WINE; else unset WINELOADER; fi
}

wine_arch_announce() {
  local bits=32
  [ "$APEXER_WINEARCH" = win64 ] && bits=64
  echo "$1: the $APEXER_ARCH build on $bits-bit Wine, $APEXER_ARCH_WHY"
}

wine_env_fail() { echo "wine-env: $*" >&2; return 1; }

wine_env_start() {
  [ -n "${APEXER_ARCH:-}" ] || wine_arch_choose || return 1
  local prefix=${1:-${APEXER_WINEPREFIX:-$PWD/build/wine/prefix-$APEXER_WINEARCH}}
  export WINEDEBUG=-all WINEPREFIX=$prefix WINEDLLOVERRIDES="mscoree,mshtml="
  [ -x "$APEXER_WINE" ] || wine_env_fail "$APEXER_WINE is missing: install Wine with ./scripts/setup." || return 1
  mkdir -p "$(dirname "$prefix")"
  if [ ! -f "$prefix/system.reg" ]; then
    local log=$prefix.wineboot.log rc=0
    { timeout 300 wineboot -i && timeout 120 wineserver -w; } >"$log" 2>&1 || rc=$?
    [ "$rc" -eq 0 ] || { rm -rf "$prefix"
      wine_env_fail "could not make the $APEXER_WINEARCH Wine prefix $prefix (wineboot exit $rc, log $log); check that $APEXER_WINE runs here, or set APEXER_WINE_ARCH=64."
      return 1; }
    # No window manager under Xvfb: let Wine draw captions itself, else DestroyWindow stalls ~2 s.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
    wineserver -w
  fi
  if [ -z "${APEXER_KEEP_DISPLAY:-}" ] || [ -z "${DISPLAY:-}" ]; then
    command -v Xvfb >/dev/null || wine_env_fail "Xvfb is missing: install it with ./scripts/setup (package xvfb)." || return 1
    local fifo
    fifo=$(mktemp -u)
    mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
    WINE_ENV_XVFB_PID=$!
    local n
    read -r -t 20 n <"$fifo" || { rm -f "$fifo"; wine_env_stop; wine_env_fail "Xvfb did not start a display within 20 s."; return 1; }
    rm -f "$fifo"
    export DISPLAY=":$n"
  fi
  # Start the prefix's wineserver now so the first program does not pay for it.
  wineserver -p10 2>/dev/null || true
}

wine_env_stop() {
  if [ -n "${WINEPREFIX:-}" ]; then
    timeout 20 wineserver -k 2>/dev/null || true
    timeout 20 wineserver -w 2>/dev/null || true
  fi
  if [ -n "${WINE_ENV_XVFB_PID:-}" ]; then
    kill "$WINE_ENV_XVFB_PID" 2>/dev/null || true
    wait "$WINE_ENV_XVFB_PID" 2>/dev/null || true
    unset WINE_ENV_XVFB_PID
  fi
}
