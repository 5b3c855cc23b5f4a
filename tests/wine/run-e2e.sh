#!/usr/bin/env bash
# The end-to-end scenarios under pytest: the real Apexer.exe against the stand-in host under Wine and Xvfb,
# and a person's clicks on it (tests/e2e/test_clicks.py; --clicks N of each, 20 unless given).
#   tests/wine/run-e2e.sh [--out DIR] [pytest options, e.g. -k "batches or no_sample", --clicks 5]
# Expects the native build and both Windows builds (./scripts/test makes them first). Every run's journal,
# pages and settings stay in DIR (build/e2e), beside results.json (the measurements) and junit.xml.
set -euo pipefail
cd "$(dirname "$0")/../.."
out=build/e2e
if [ "${1:-}" = --out ]; then out=$2; shift 2; fi
mkdir -p "$out"
timeout 2400 scripts/lib/pytest tests/e2e/test_scenarios.py tests/e2e/test_clicks.py --out "$out" --junitxml "$out/junit.xml" -rfE "$@"
