#!/bin/bash
# Builds the distributable archive from the two builds of the module:
#
#   bash scripts/package.sh [--out DIR] [--win32 DIR] [--win64 DIR] [BUILD_ROOT]
#
# BUILD_ROOT (default: build) holds the i686 build in win32/ and the x86_64 build in win64/, as the
# README's test command makes them; --win32/--win64 name the two builds directly. The archive is
# DIR/MvJavaJniComRot-<version>.zip (default DIR: build/dist), or .tar.gz where zip is not
# installed; its path is the last line printed. Everything the archive must hold has to be built:
# a missing required part stops the script with a list of what is missing. mvjava.exe and the
# JScript samples are included when they exist; when one does not, the script says so on stderr and
# in the archive's CONTENTS.txt.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

usage() {
  echo "usage: bash scripts/package.sh [--out DIR] [--win32 DIR] [--win64 DIR] [BUILD_ROOT]" >&2
  exit 2
}

out="" win32="" win64="" build_root=""
while (($#)); do
  case $1 in
    --out) (($# >= 2)) || usage; out=$2; shift 2 ;;
    --win32) (($# >= 2)) || usage; win32=$2; shift 2 ;;
    --win64) (($# >= 2)) || usage; win64=$2; shift 2 ;;
    -h|--help) usage ;;
    -*) usage ;;
    *) [[ -z $build_root ]] || usage; build_root=$1; shift ;;
  esac
done
build_root=${build_root:-$root/build}
win32=${win32:-$build_root/win32}
win64=${win64:-$build_root/win64}
out=${out:-$root/build/dist}

# Version: the project's one version number (project() in CMakeLists.txt); the commit it was built
# from goes into CONTENTS.txt.
version=$(sed -n 's/^project(MvJavaJniComRot VERSION \([0-9][0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
version=${version:-0.0.0}
commit_of_checkout() {
  local hash
  hash=$(git -C "$root" rev-parse --short HEAD 2>/dev/null) || { echo "unknown"; return; }
  # A read-only look at the work tree: uncommitted changes mark the commit.
  if git -C "$root" --no-optional-locks diff --quiet HEAD -- 2>/dev/null; then echo "$hash"; else echo "$hash-dirty"; fi
}
commit=$(commit_of_checkout)
name="MvJavaJniComRot-$version"

# The PE machine of a Windows image: i386 or x86-64 (read from the header, no tools needed).
pe_machine() {
  local offset machine
  offset=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
  machine=$(od -An -tx2 -j$((offset + 4)) -N2 "$1" | tr -d ' ')
  case $machine in
    014c) echo i386 ;;
    8664) echo x86-64 ;;
    *) echo "unknown($machine)" ;;
  esac
}

# Staging: every entry is "archive path|source path|required|machine".
entries=(
  "x86/MvJavaJniComRot.dll|$win32/src/module/MvJavaJniComRot.dll|required|i386"
  "x86/MvJavaJniComRot.tlb|$win32/src/idl/MvJavaJniComRot.tlb|required|"
  "x86/MvJavaJni.dll|$win32/src/agent/MvJavaJni.dll|required|i386"
  "x64/MvJavaJniComRot.dll|$win64/src/module/MvJavaJniComRot.dll|required|x86-64"
  "x64/MvJavaJniComRot.tlb|$win64/src/idl/MvJavaJniComRot.tlb|required|"
  "x64/MvJavaJni.dll|$win64/src/agent/MvJavaJni.dll|required|x86-64"
  "include/MvJavaJniComRot_h.h|$win64/src/idl/MvJavaJniComRot_h.h|required|"
  "include/MvJavaJniComRot_i.c|$win64/src/idl/MvJavaJniComRot_i.c|required|"
  "java/mv-hook.jar|$win64/java/hook/mv-hook.jar|required|"
  "java/mv-samples.jar|$win64/java/samples/mv-samples.jar|required|"
  "README.md|$root/README.md|required|"
  "LICENSE|$root/LICENSE|required|"
  "CHANGELOG.md|$root/CHANGELOG.md|required|"
  "harness/mvjava-host.exe|$win64/harness/javahost/mvjava-host.exe|required|x86-64"
  "harness/jniproxy.dll|$win64/harness/jniproxy.dll|required|x86-64"
  "harness/MvJavaJni.dll|$win64/harness/MvJavaJni.dll|required|x86-64"
  "harness/mv-jniserver|$win64/harness/mv-jniserver|required|"
)
# mvjava.exe: wherever each build put it (its folder is the tool's own).
find_tool() {
  local found=$1/tools/mvjava/mvjava.exe
  [[ -f $found ]] || found=$(find "$1" -name mvjava.exe -not -path '*/CMakeFiles/*' -not -path '*/tests/*' \
                             -print -quit 2>/dev/null || true)
  echo "${found:-$1/tools/mvjava/mvjava.exe}"
}
entries+=("x86/mvjava.exe|$(find_tool "$win32")|optional|i386")
entries+=("x64/mvjava.exe|$(find_tool "$win64")|optional|x86-64")

missing_required=() missing_optional=()
for e in "${entries[@]}"; do
  IFS='|' read -r dest src need machine <<<"$e"
  if [[ ! -f $src ]]; then
    if [[ $need == required ]]; then missing_required+=("$dest ($src)"); else missing_optional+=("$dest ($src)"); fi
    continue
  fi
  if [[ -n $machine && $(pe_machine "$src") != "$machine" ]]; then
    missing_required+=("$dest: $src is $(pe_machine "$src"), expected $machine")
  fi
done
[[ -d $root/docs && -f $root/docs/README.md ]] || missing_required+=("docs/ ($root/docs/README.md)")
shopt -s nullglob
scripts=("$root"/samples/jscript/*.js)
vbscripts=("$root"/samples/vbscript/*.vbs)
shopt -u nullglob
((${#scripts[@]})) || missing_optional+=("samples/jscript/*.js ($root/samples/jscript)")
((${#vbscripts[@]})) || missing_optional+=("samples/vbscript/*.vbs ($root/samples/vbscript)")

if ((${#missing_required[@]})); then
  echo "package: cannot build the archive; missing or wrong:" >&2
  printf '  %s\n' "${missing_required[@]}" >&2
  echo "build both targets first (README: the test command)" >&2
  exit 1
fi
for m in "${missing_optional[@]}"; do
  echo "package: not included (not built yet): $m" >&2
done

mkdir -p "$out"
out=$(cd "$out" && pwd)
stage=$(mktemp -d "$out/.stage.XXXXXX")
trap 'rm -rf "$stage"' EXIT
top=$stage/$name
mkdir -p "$top"

for e in "${entries[@]}"; do
  IFS='|' read -r dest src need machine <<<"$e"
  [[ -f $src ]] || continue
  mkdir -p "$top/$(dirname "$dest")"
  cp -p "$src" "$top/$dest"
done
chmod 755 "$top/harness/mv-jniserver"
cp -r "$root/docs" "$top/docs"
if ((${#scripts[@]})); then
  mkdir -p "$top/samples/jscript"
  cp -p "${scripts[@]}" "$top/samples/jscript/"
fi
if ((${#vbscripts[@]})); then
  mkdir -p "$top/samples/vbscript"
  cp -p "${vbscripts[@]}" "$top/samples/vbscript/"
fi
echo "$version" >"$top/VERSION"

jdk_path=$(readelf -d "$win64/harness/mv-jniserver" 2>/dev/null | sed -n 's/.*RUNPATH.*\[\(.*\)\].*/\1/p' || true)
jdk_path=${jdk_path:-"the JDK's lib/server"}
cat >"$top/harness/README.txt" <<EOF
Test bed only - not part of an installation on Windows.

On Windows, the Java application runs in a Windows JVM, which loads the agent library
(x86/MvJavaJni.dll or x64/MvJavaJni.dll, see docs/launching-java.md), and nothing in this folder
is used. The machine this archive was built on has no Windows JVM:
Windows programs run under Wine and Java runs as a Linux program. These files bridge the two
so that the samples can be tried there:

  mvjava-host.exe   plays a Java process: starts a JVM, creates the module's main object,
                    publishes it and prints "ready <pid>"; "stop" on its input ends it.
  jniproxy.dll      the JavaVM/JNIEnv that forwards every JNI call to mv-jniserver.
  MvJavaJni.dll     stand-in for the agent library, with controls for the tests.
  mv-jniserver      Linux program hosting the real JVM (OpenJDK 17, linked against
                    $jdk_path).

Run the sample login application (Linux paths, absolute; a display is needed):

  wine harness/mvjava-host.exe --jni-server \$PWD/harness/mv-jniserver \\
      --class-path \$PWD/java/mv-hook.jar:\$PWD/java/mv-samples.jar \\
      --main-class samples.LoginApp \\
      --jvm-option -Djavax.accessibility.assistive_technologies=com.morvane.MorvaneAWTEventListener

See docs/installing.md for registering the module first.
EOF

{
  echo "$name (commit $commit)"
  echo
  echo "Files (SHA-256):"
  (cd "$top" && find . -type f ! -name CONTENTS.txt -printf '%P\n' | LC_ALL=C sort | xargs -d '\n' sha256sum)
  if ((${#missing_optional[@]})); then
    echo
    echo "Not included (not built when this archive was made):"
    for m in "${missing_optional[@]}"; do echo "  ${m%% (*}"; done
  fi
} >"$top/CONTENTS.txt"

if command -v zip >/dev/null; then
  archive=$out/$name.zip
  rm -f "$archive"
  (cd "$stage" && zip -q -r -X "$archive" "$name")
else
  archive=$out/$name.tar.gz
  echo "package: zip is not installed; writing a .tar.gz" >&2
  rm -f "$archive"
  tar -C "$stage" -czf "$archive" "$name"
fi
echo "package: $(cd "$top" && find . -type f | wc -l) files, version $version"
echo "$archive"
