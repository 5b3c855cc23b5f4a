#!/usr/bin/env bash
# The stand-in's data engine as built for Windows, run under Wine: synthesis, integration, combining, a
# printed page and 64-bit file offsets (the Windows build of this machine's Wine architecture must exist).
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
source scripts/lib/wine-env.sh
wine_arch_choose
wine_arch_announce run-ivdata-engine
exe=$root/build/$APEXER_PRESET/tests/wine/ivdata/ivdata_check.exe
[ -x "$exe" ] || { echo "run-ivdata-engine: $exe not built" >&2; exit 1; }
out=$(mktemp -d)
trap 'wine_env_stop; rm -rf "$out"' EXIT
wine_env_start
timeout 120 wine "$exe" "Z:${out//\//\\}"
