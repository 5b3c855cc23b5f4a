#!/usr/bin/env bash
# Apexer.exe under Wine and Xvfb, under pytest (tests/e2e/test_apexer_wine.py): the error report without host
# libraries, runs against the stand-in host on a sample of 50 scans, the About box and Cancel while a run
# waits, the profile and desktop case tables against the real functions, and hosts that differ from the one
# the program knows.
#   tests/wine/run-apexer.sh [pytest options, e.g. -k "six_peaks or about"]
# Expects the native build and the Windows builds of this machine's Wine path (./scripts/test makes them).
# Every run's journal, settings and screenshots stay in build/<preset>/wine-apexer, beside results.json
# (the measurements) and junit.xml.
set -euo pipefail
cd "$(dirname "$0")/../.."
source scripts/lib/wine-env.sh
wine_arch_choose
wine_arch_announce run-apexer
out=build/$APEXER_PRESET/wine-apexer
mkdir -p "$out"
timeout 1200 scripts/lib/pytest tests/e2e/test_apexer_wine.py --out "$out" --junitxml "$out/junit.xml" -rfE "$@"
