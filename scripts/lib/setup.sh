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
  # The 32-bit Wine loader must not be present: with it the wine wrapper picks it and fails.
  if dpkg-query -W -f='${Status}' wine32 2>/dev/null | grep -q "install ok installed"; then
    echo "wine32 is installed; it breaks 64-bit Wine here. Remove it (apt-get remove wine32)." >&2
    return 1
  fi
}

# Builds the i686 module, then the x86_64 module with its tests (which also check the i686 module).
mv_build_all() {
  local jobs=${MV_JOBS:-$(nproc)}
  echo "== building i686"
  cmake --preset win32 >/dev/null
  cmake --build --preset win32 -j "$jobs"
  echo "== building x86_64"
  cmake --preset win64 -DMV_I686_MODULE="$PWD/build/win32/src/module/MvJavaJniComRot.dll" >/dev/null
  cmake --build --preset win64 -j "$jobs"
}

# Ends the wineserver and Xvfb of the x86_64 build tree's prefix.
mv_stop_wine() {
  tools/wine-stop --state build/win64/wine || true
}
