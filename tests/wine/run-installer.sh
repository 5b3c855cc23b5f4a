#!/usr/bin/env bash
# The installer under Wine, under pytest: install, the installed program's whole job, upgrade, uninstall,
# another folder. Each step stands on the one before, so the first failure ends the run (-x).
# Expects the native build and the Windows build of this machine's Wine path (./scripts/test makes them).
# The packages, the prefix, every run's traces and junit.xml stay in build/installer.
set -euo pipefail
cd "$(dirname "$0")/../.."
out=build/installer
mkdir -p "$out"
timeout 1200 scripts/lib/pytest -x tests/e2e/test_installer.py --out "$out" --junitxml "$out/junit.xml" -rfE "$@"
