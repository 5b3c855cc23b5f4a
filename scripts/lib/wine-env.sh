# Shared Wine + Xvfb environment for checks and the demo. Source it, then:
#   wine_env_start [PREFIX]   fresh 32-bit prefix (reused when present), a private Xvfb display
#   wine_env_stop             ends wineserver and the Xvfb it started (only those)
# Exports WINEPREFIX, WINEARCH, WINEDEBUG, DISPLAY. Every process it starts is ended by wine_env_stop.

wine_env_start() {
  local prefix=${1:-${APEXER_WINEPREFIX:-$PWD/build/wine/prefix}}
  export WINEARCH=win32 WINEDEBUG=-all WINEPREFIX=$prefix WINEDLLOVERRIDES="mscoree,mshtml="
  mkdir -p "$(dirname "$prefix")"
  if [ ! -f "$prefix/system.reg" ]; then
    wineboot -i >/dev/null 2>&1
    wineserver -w
    # No window manager under Xvfb: let Wine draw captions itself, else DestroyWindow stalls ~2 s.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
    wineserver -w
  fi
  if [ -z "${APEXER_KEEP_DISPLAY:-}" ] || [ -z "${DISPLAY:-}" ]; then
    local fifo
    fifo=$(mktemp -u)
    mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
    WINE_ENV_XVFB_PID=$!
    local n
    read -r -t 20 n <"$fifo" || { echo "wine-env: Xvfb did not start" >&2; rm -f "$fifo"; return 1; }
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
