#!/usr/bin/env bash
# The end-to-end scenario suite: the real Apexer.exe against the stand-in host under Wine and Xvfb.
# Expects the native build and both Windows builds (./scripts/test makes them first). Results and every run's
# journal, pages and settings stay in build/e2e; results.json holds the measurements.
set -euo pipefail
cd "$(dirname "$0")/../.."
timeout 2400 python3 tests/e2e/suite.py --out build/e2e "$@"
