#!/usr/bin/env bash
# ApexerCheck.exe under Wine and Xvfb, under pytest (tests/e2e/test_check_wine.py): the self-check beside
# Apexer.exe against the stand-in host, read-only and /full, the ways a host can differ, the command line.
#   tests/wine/run-check.sh [pytest options, e.g. -k "all_held or full"]
# Expects the native build and the Windows builds of this machine's Wine path (./scripts/test makes them).
# Every run's journal, reports and screenshots stay in build/<preset>/wine-check, beside results.json.
set -euo pipefail
cd "$(dirname "$0")/../.."
source scripts/lib/wine-env.sh
wine_arch_choose
wine_arch_announce run-check
out=build/$APEXER_PRESET/wine-check
mkdir -p "$out"
timeout 2400 scripts/lib/pytest tests/e2e/test_check_wine.py --out "$out" --junitxml "$out/junit.xml" -rfEs "$@"
