#!/bin/bash
# The demo command: installs what is missing, builds both targets and shows the product at
# work under Wine.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
source scripts/lib/setup.sh

mv_install_packages
mv_build_all >/dev/null
trap mv_stop_wine EXIT

echo "== The modules: exports and imports"
for m in "i686 build/win32/src/module/MvJavaJniComRot.dll i686-w64-mingw32-objdump i386" \
         "x86_64 build/win64/src/module/MvJavaJniComRot.dll x86_64-w64-mingw32-objdump x86-64"; do
  set -- $m
  cmake -DOBJDUMP="$3" -DMODULE="$2" -DEXPECT_MACHINE="$4" -P cmake/CheckModuleImage.cmake 2>&1 | sed 's/^-- /  /'
done
echo
tools/wine-run --state build/win64/wine build/win64/demo/mvdemo.exe
