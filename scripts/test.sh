#!/bin/bash
# The test command: installs what is missing, builds both targets and runs every test under Wine
# (the i686 suites beside the x86_64 ones in one WoW64 prefix where this machine runs 32-bit
# programs), ending with ctest's summary.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
source scripts/lib/setup.sh

mv_install_packages
mv_build_all
trap mv_stop_wine EXIT
[[ -n ${MV_I686_SKIPPED:-} ]] && echo "== the i686 suites are skipped: $MV_I686_SKIPPED"
echo "== running tests"
ctest --preset win64 -j "${MV_JOBS:-2}"
