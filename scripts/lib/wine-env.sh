# Shared Wine + Xvfb environment for checks and the demo. Source it, then:
#   wine_arch_choose            the path that runs here (scripts/lib/wine-arch), exported once
#   wine_arch_announce NAME     one line: which build runs under which Wine, how, and why
#   wine_env_start [PREFIX]     a prefix for that path (PREFIX-<tag>, made once, then reused), a private Xvfb
#   wine_env_stop               ends wineserver and the Xvfb it started (only those)
#   wine_client_bin DIR         DIR filled with the stand-in's bin folder as a client sees it: the host
#                               libraries and test programs of Apexer's build, StandinHost.exe of the host's
# Exports APEXER_PATH, APEXER_ARCH, APEXER_PRESET, APEXER_HOST_ARCH, APEXER_HOST_PRESET, APEXER_WINEARCH,
# APEXER_PREFIX_TAG, APEXER_WINE, WINEPREFIX, WINEARCH, WINELOADER (64-bit), WINEDEBUG, DISPLAY, and puts the
# chosen `wine` first on PATH.

wine_env_lib=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

wine_arch_choose() {
  local choice
  choice=$("$wine_env_lib/wine-arch") || return 1
  eval "$choice"
  export APEXER_RUNS_32 APEXER_PATH APEXER_ARCH APEXER_PRESET APEXER_HOST_ARCH APEXER_HOST_PRESET APEXER_WINEARCH \
    APEXER_PREFIX_TAG APEXER_WINE APEXER_ARCH_WHY
  case ":$PATH:" in *":$wine_env_lib/wine-bin:"*) ;; *) export PATH="$wine_env_lib/wine-bin:$PATH" ;; esac
  export WINEARCH=$APEXER_WINEARCH
  # As Debian's own `wine` does when it runs the 64-bit loader.
  if [ "$APEXER_WINEARCH" = win64 ]; then export WINELOADER=$APEXER_WINE; else unset WINELOADER; fi
}

# One phrase for how the shipping build runs, the same in every suite's first line.
wine_arch_how() {
  case $APEXER_PATH in
    native32) echo "the i686 build on 32-bit Wine" ;;
    emulated32) echo "the i686 build under qemu-i386 in a 64-bit Wine prefix (the stand-in host and drivers as x86_64)" ;;
    *) echo "the x86_64 build on 64-bit Wine" ;;
  esac
}

wine_arch_announce() {
  echo "$1: $(wine_arch_how), $APEXER_ARCH_WHY"
}

wine_env_fail() { echo "wine-env: $*" >&2; return 1; }

wine_env_start() {
  [ -n "${APEXER_PATH:-}" ] || wine_arch_choose || return 1
  local prefix=${1:-${APEXER_WINEPREFIX:-$PWD/build/wine/prefix}}-$APEXER_PREFIX_TAG
  export WINEDEBUG=-all WINEPREFIX=$prefix WINEDLLOVERRIDES="mscoree,mshtml="
  if [ ! -x "$APEXER_WINE" ]; then
    if [ "$APEXER_PATH" = emulated32 ]; then
      wine_env_fail "the emulated 32-bit side of Wine is not prepared ($APEXER_WINE is missing): run ./scripts/setup."
    else
      wine_env_fail "$APEXER_WINE is missing: install Wine with ./scripts/setup."
    fi
    return 1
  fi
  mkdir -p "$(dirname "$prefix")"
  if [ ! -f "$prefix/system.reg" ]; then
    local log=$prefix.wineboot.log rc=0
    { timeout 300 wineboot -i && timeout 120 wineserver -w; } >"$log" 2>&1 || rc=$?
    # A 64-bit prefix can run 32-bit programs only once wineboot has filled syswow64 through them.
    if [ "$rc" -eq 0 ] && [ "$APEXER_PATH" = emulated32 ] && [ ! -f "$prefix/drive_c/windows/syswow64/kernel32.dll" ]; then
      rc=emulation
    fi
    [ "$rc" = 0 ] || { rm -rf "$prefix"
      wine_env_fail "could not make the $APEXER_PREFIX_TAG Wine prefix $prefix (wineboot: $rc, log $log); check that $APEXER_WINE runs here, or set APEXER_WINE_ARCH=64."
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

wine_client_bin() {
  local dir=$1 root
  root=$(cd "$wine_env_lib/../.." && pwd)
  mkdir -p "$dir"
  cp "$root/build/$APEXER_PRESET/standin/bin/"* "$dir/"
  [ "$APEXER_HOST_PRESET" = "$APEXER_PRESET" ] || cp "$root/build/$APEXER_HOST_PRESET/standin/bin/StandinHost.exe" "$dir/"
}
