#!/usr/bin/env bash
# A person's clicks under pytest (tests/e2e/test_clicks.py): Cancel and About clicked with real X input
# (xdotool) at random moments of runs against a fast host, and a button held down on the status window.
#   tests/wine/run-clicks.sh [--out DIR] [--clicks N] [pytest options, e.g. -k cancel]
# N runs of each clicking scenario (20). Expects the native build and both Windows builds (./scripts/test
# makes them first). Every run's journal, pages and settings stay in DIR (build/clicks), beside
# results.json (the measurements) and junit.xml.
set -euo pipefail
cd "$(dirname "$0")/../.."
out=build/clicks
if [ "${1:-}" = --out ]; then out=$2; shift 2; fi
mkdir -p "$out"
timeout 2400 scripts/lib/pytest tests/e2e/test_clicks.py --out "$out" --junitxml "$out/junit.xml" -rfE "$@"
