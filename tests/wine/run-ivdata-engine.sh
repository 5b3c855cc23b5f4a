#!/usr/bin/env bash
# The stand-in's data engine as built for 32-bit Windows, run under Wine: synthesis, integration,
# combining, a printed page and 64-bit file offsets (build/mingw-i686 must be built first).
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
exe=$root/build/mingw-i686/standin/ivdata_check.exe
[ -x "$exe" ] || { echo "run-ivdata-engine: $exe not built" >&2; exit 1; }
source scripts/lib/wine-env.sh
out=$(mktemp -d)
trap 'wine_env_stop; rm -rf "$out"' EXIT
wine_env_start
timeout 120 wine "$exe" "Z:${out//\//\\}"
