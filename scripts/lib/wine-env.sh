# The Wine + Xvfb environment for the shell suites, made by the same code as the Python suites'
# (tests/e2e/harness.py). Source it, then:
#   wine_arch_choose            the path that runs here (scripts/lib/wine-arch), exported once
#   wine_arch_announce NAME     one line: which build runs under which Wine, how, and why
#   wine_env_start [PREFIX]     a prefix for that path (PREFIX-<tag>, made once, then reused), a private Xvfb
#   wine_env_stop               ends wineserver and the Xvfb it started (only those)
#   wine_client_bin DIR         DIR filled with the stand-in's bin folder as a client sees it: the host
#                               libraries and test programs of Apexer's build, StandinHost.exe of the host's
# Exports APEXER_PATH, APEXER_ARCH, APEXER_PRESET, APEXER_HOST_ARCH, APEXER_HOST_PRESET, APEXER_WINEARCH,
# APEXER_PREFIX_TAG, APEXER_WINE, APEXER_HOW, WINEPREFIX, WINEARCH, WINELOADER (64-bit), WINEDEBUG, DISPLAY, and
# puts the chosen `wine` first on PATH.

wine_env_lib=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
wine_env_harness() { python3 "$wine_env_lib/../../tests/e2e/harness.py" "$@"; }

wine_arch_choose() {
  local exports
  exports=$(wine_env_harness arch) || return 1
  eval "$exports"
  case ":$PATH:" in *":$wine_env_lib/wine-bin:"*) ;; *) export PATH="$wine_env_lib/wine-bin:$PATH" ;; esac
}

wine_arch_how() { echo "$APEXER_HOW"; }

wine_arch_announce() { echo "$1: $APEXER_HOW, $APEXER_ARCH_WHY"; }

wine_env_start() {
  local exports
  [ -n "${APEXER_PATH:-}" ] || wine_arch_choose || return 1
  exports=$(wine_env_harness start "${1:-${APEXER_WINEPREFIX:-$PWD/build/wine/prefix}}") || return 1
  eval "$exports"
}

wine_env_stop() {
  [ -n "${WINEPREFIX:-}" ] && wine_env_harness stop
  unset WINE_ENV_XVFB_PID
}

wine_client_bin() {
  local dir=$1 root
  root=$(cd "$wine_env_lib/../.." && pwd)
  mkdir -p "$dir"
  cp "$root/build/$APEXER_PRESET/standin/bin/"* "$dir/"
  [ "$APEXER_HOST_PRESET" = "$APEXER_PRESET" ] || cp "$root/build/$APEXER_HOST_PRESET/standin/bin/StandinHost.exe" "$dir/"
}
