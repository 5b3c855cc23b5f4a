#!/usr/bin/env bash
# The stand-in's data engine as built for Windows, run under Wine: synthesis, integration, combining, a
# printed page and 64-bit file offsets. The engine is the stand-in host's, so it runs in the host's build.
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
source scripts/lib/wine-env.sh
wine_arch_choose
echo "run-ivdata-engine: the stand-in engine's $APEXER_HOST_ARCH build; $(wine_arch_how), $APEXER_ARCH_WHY"
exe=$root/build/$APEXER_HOST_PRESET/tests/wine/ivdata/ivdata_check.exe
[ -x "$exe" ] || { echo "run-ivdata-engine: $exe not built" >&2; exit 1; }
out=$(mktemp -d)
trap 'wine_env_stop; rm -rf "$out"' EXIT
wine_env_start
timeout 120 wine "$exe" "Z:${out//\//\\}"
