#!/bin/bash
# The test command: installs what is missing, builds both targets and runs every test
# (under Wine for the x86_64 build), ending with ctest's summary.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
source scripts/lib/setup.sh

mv_install_packages
mv_build_all
trap mv_stop_wine EXIT
echo "== running tests"
ctest --preset win64 -j "${MV_JOBS:-2}"
