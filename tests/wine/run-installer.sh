#!/usr/bin/env bash
# The installer under Wine: install, the installed program's whole job, upgrade, uninstall, another folder.
# Expects the native build and the Windows build of this machine's Wine path (./scripts/test makes them).
# The packages, the prefix and every run's traces stay in build/installer.
set -euo pipefail
cd "$(dirname "$0")/../.."
timeout 1200 python3 tests/e2e/installer.py --out build/installer "$@"
