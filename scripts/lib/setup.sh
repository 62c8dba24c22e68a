# Shared set-up for the README's commands: packages and the two builds.
# Sourced by scripts/test.sh and scripts/demo.sh; expects to run from the checkout's root.

MV_PACKAGES=(
  cmake ninja-build g++ procps
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
  binutils-mingw-w64-x86-64 binutils-mingw-w64-i686
  mingw-w64-tools libwine-dev wine wine64
  xvfb xauth zip unzip
  googletest
  openjdk-17-jdk
  clang libclang-rt-14-dev
)

# Installs whatever of MV_PACKAGES is missing (as root, without recommended extras).
mv_install_packages() {
  local missing=()
  for p in "${MV_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if ((${#missing[@]})); then
    echo "== installing: ${missing[*]}"
    if [[ $(id -u) -ne 0 ]]; then
      echo "missing packages and not root: run as root or install them first" >&2
      return 1
    fi
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
  fi
  mv_install_wine32
}

# True where the kernel runs 32-bit x86 programs (IA32 emulation): runs a 91-byte 32-bit ELF
# program that exits with 42.
mv_runs_32bit_programs() {
  local probe
  probe=$(mktemp)
  printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08'\
'\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00'\
'\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x5b\x00\x00\x00\x5b\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00'\
'\x31\xc0\x40\xb3\x2a\xcd\x80' >"$probe"  # xor eax,eax; inc eax; mov bl,42; int 0x80: exit(42)
  chmod +x "$probe"
  local rc=0
  "$probe" 2>/dev/null || rc=$?
  rm -f "$probe"
  [[ $rc == 42 ]]
}

# Where 32-bit programs run, 32-bit Wine (i386 multiarch) joins the 64-bit one, so that one WoW64
# prefix runs the i686 suites beside the x86_64 ones. MV_I686_SKIPPED says why they cannot run.
mv_install_wine32() {
  MV_I686_SKIPPED=""
  if ! mv_runs_32bit_programs; then
    MV_I686_SKIPPED="this kernel does not run 32-bit programs (no IA32 emulation)"
    return 0
  fi
  dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q "install ok installed" && return 0
  echo "== installing: wine32:i386"
  if [[ $(id -u) -ne 0 ]]; then
    MV_I686_SKIPPED="wine32:i386 is not installed and this is not root"
    return 0
  fi
  dpkg --add-architecture i386
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends wine32:i386
}

# Builds both targets with their suites. The i686 suites run in the x86_64 build's prefix and
# ctest run; where they cannot run (MV_I686_SKIPPED) they are built and listed as not run.
mv_build_all() {
  local jobs=${MV_JOBS:-$(nproc)} run_i686=ON
  [[ -n ${MV_I686_SKIPPED:-} ]] && run_i686=OFF
  echo "== building i686"
  cmake --preset win32 -DMV_WINE_STATE="$PWD/build/win64/wine" -DMV_RUN_TESTS=$run_i686 \
    -DMV_PEER_BUILD_DIR="$PWD/build/win64" >/dev/null
  cmake --build --preset win32 -j "$jobs"
  echo "== building x86_64"
  cmake --preset win64 -DMV_I686_MODULE="$PWD/build/win32/src/module/MvJavaJniComRot.dll" \
    -DMV_PEER_BUILD_DIR="$PWD/build/win32" >/dev/null
  cmake --build --preset win64 -j "$jobs"
}

# Ends the wineserver and Xvfb of the x86_64 build tree's prefix.
mv_stop_wine() {
  tools/wine-stop --state build/win64/wine || true
}
