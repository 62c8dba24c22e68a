#!/bin/bash
# The archive of scripts/package.sh used with nothing but its unpacked files, a fresh Wine prefix and
# an X display: registration, the sample login application run by the unpacked host, a sign-in with
# the unpacked JScript sample judged by this test's own probe, unregistration, nothing left running.
#   package_test.sh CHECKOUT WIN64_BUILD I686_MODULE      Each step prints "ok: ..." or "FAIL: ...".
set -uo pipefail
source "$1/tools/wine-env.sh"  # only for the fixed layout that Wine's processes need
mv_wine_fixed_layout bash "$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/package_test.sh" "$@"
trap '' PIPE  # "stop" to a host that has already ended must not end this script
source_dir=$1 win64=$2 win32=${3:+$(cd "$(dirname "$3")/../.." && pwd)}  # <i686 build>/src/module/*.dll
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
user=pkg.alice password='Pa55word!x' failures=0
ok() { echo "ok: $*"; }
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
check() { local what=$1; shift; if "$@"; then ok "$what"; else fail "$what"; fi; }
not() { ! "$@"; }
finish() { ((failures)) && { echo "package test: $failures failure(s)"; exit 1; }; echo "package test: all steps passed"; exit 0; }
[[ -n $win32 ]] || { fail "the i686 build is not known: configure with -DMV_I686_MODULE=<i686 build>/src/module/MvJavaJniComRot.dll"; finish; }

tmp=$(mktemp -d "${TMPDIR:-/tmp}/mv-package-test.XXXXXX")
tag=$(basename "$tmp")  # every process this test starts carries it in its command line
xvfb_pid="" host_pid="" registered=0 prefix_made=0
dos() { local p="Z:$1"; echo "${p//\//\\}"; }  # Wine maps / to Z:
# The x64 module is registered and driven by the 64-bit builtin programs: where 32-bit Wine is
# installed, the `wine` command runs the 32-bit regsvr32, reg and cscript.
wine64=/usr/lib/wine/wine64
cleanup() {
  [[ -n $host_pid ]] && { { echo stop >&"$host_in"; } 2>/dev/null; wait "$host_pid" 2>/dev/null; host_pid=""; }
  ((registered)) && { timeout 60 "$wine64" regsvr32 /s /u "$module_dos" >/dev/null 2>&1; registered=0; }
  ((prefix_made)) && { wineserver -k 2>/dev/null; timeout 30 wineserver -w 2>/dev/null; prefix_made=0; }
  [[ -n $xvfb_pid ]] && { kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null; xvfb_pid=""; }
}
trap 'cleanup; rm -rf "$tmp"' EXIT

bash "$source_dir/scripts/package.sh" --out "$tmp/dist" --win32 "$win32" --win64 "$win64" >"$tmp/package.out" 2>"$tmp/package.err"
rc=$?
archive=$(tail -n 1 "$tmp/package.out")
sed 's/^/  /' "$tmp/package.err"
((rc == 0)) && [[ -f $archive ]] || { fail "scripts/package.sh (exit $rc) named no archive: $archive"; finish; }
mkdir "$tmp/unpacked"
case $archive in *.zip) unzip -q "$archive" -d "$tmp/unpacked" ;; *.tar.gz) tar -xzf "$archive" -C "$tmp/unpacked" ;; esac
tops=("$tmp"/unpacked/*)
((${#tops[@]} == 1)) && [[ -d ${tops[0]} ]] || { fail "the archive must hold one top folder: ${tops[*]##*/}"; finish; }
pkg=${tops[0]} version=$(cat "${tops[0]}/VERSION" 2>/dev/null)
project_version=$(sed -n 's/^project(MvJavaJniComRot VERSION \([0-9][0-9.]*\).*/\1/p' "$source_dir/CMakeLists.txt")
[[ $version == "$project_version" && ${pkg##*/} == "MvJavaJniComRot-$version" && ${archive##*/} == "MvJavaJniComRot-$version".* ]]
check "folder and archive carry VERSION, the project's version ($version)" test $? = 0
absent=()
for f in x86/MvJavaJniComRot.dll x64/MvJavaJniComRot.dll x86/MvJavaJniComRot.tlb x64/MvJavaJniComRot.tlb \
         include/MvJavaJniComRot_h.h java/mv-hook.jar java/mv-samples.jar README.md LICENSE CHANGELOG.md docs/README.md harness/README.txt \
         harness/mvjava-host.exe harness/jniproxy.dll harness/MvJavaJni.dll harness/mv-jniserver CONTENTS.txt; do
  [[ -f $pkg/$f ]] || absent+=("$f")
done
check "every required file present (missing: ${absent[*]:-none})" test ${#absent[@]} -eq 0
check "mv-jniserver is executable" test -x "$pkg/harness/mv-jniserver"
machine() { local at; at=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' '); od -An -tx2 -j$((at + 4)) -N2 "$1" | tr -d ' '; }
for f in x86/MvJavaJniComRot.dll:014c x64/MvJavaJniComRot.dll:8664 harness/mvjava-host.exe:8664 x86/mvjava.exe:014c x64/mvjava.exe:8664; do
  [[ -f $pkg/${f%:*} ]] && check "${f%:*} is built for machine 0x${f#*:}" test "$(machine "$pkg/${f%:*}")" = "${f#*:}"
done
check "the x86 and x64 type libraries differ" not cmp -s "$pkg/x86/MvJavaJniComRot.tlb" "$pkg/x64/MvJavaJniComRot.tlb"
listed=$(sed -n '/^Files (SHA-256):$/,/^$/p' "$pkg/CONTENTS.txt" | grep -E '^[0-9a-f]{64}  ')
check "CONTENTS.txt gives every file with its SHA-256" test "$(cd "$pkg" && sha256sum --quiet -c <<<"$listed" 2>&1 && \
  find . -type f ! -name CONTENTS.txt | wc -l)" = "$(wc -l <<<"$listed")"
broken=$(grep -ohE '\]\([^)#]+' "$pkg"/docs/*.md | cut -c3- | grep -v '://' | while read -r t; do [[ -e $pkg/docs/$t ]] || echo "$t"; done)
check "links of docs/ resolve (broken: ${broken:-none})" test -z "$broken"

# A fresh prefix and display; registration from the unpacked folder.
export WINEPREFIX=$tmp/prefix WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
mkfifo "$tmp/xvfb.fd"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$tmp/xvfb.fd" >/dev/null 2>&1 </dev/null &
xvfb_pid=$!
read -r -t 30 display <"$tmp/xvfb.fd" || { fail "Xvfb did not start"; finish; }
export DISPLAY=":$display" && prefix_made=1
timeout 300 wineboot -i >/dev/null 2>&1
timeout 120 wineserver -w
[[ -f $WINEPREFIX/system.reg ]] || { fail "wineboot made no prefix"; finish; }
module_dos=$(dos "$pkg/x64/MvJavaJniComRot.dll") clsid='HKCR\CLSID\{3B9E2C41-7A15-4F0D-9C62-1E8A5D7F0B34}'
reg_value() { timeout 60 "$wine64" reg query "$1" /ve 2>/dev/null | tr -d '\r' | sed -n 's/.*REG_SZ[[:space:]]*//p'; }
timeout 120 "$wine64" regsvr32 /s "$module_dos" && registered=1
check "regsvr32 x64/MvJavaJniComRot.dll" test $registered = 1
server=$(reg_value "$clsid\\InprocServer32")
check "MvJavaCpp's in-process server is the unpacked module ($server)" test "${server,,}" = "${module_dos,,}"
typelib=$(reg_value 'HKCR\TypeLib\{9A6C4E12-3F08-4D71-B2E5-0C8F1A7D6E93}\1.0\0\win64')
[[ ${typelib,,} == "${module_dos,,}"* ]]
check "the type library is registered from the unpacked module ($typelib)" test $? = 0

# The sample login application, run by the unpacked host: "ready <pid>" (published) and
# "windows open" (the application's, on the JVM's output) come in any order.
coproc HOST { exec "$wine64" "$pkg/harness/mvjava-host.exe" --jni-server "$pkg/harness/mv-jniserver" \
  --class-path "$pkg/java/mv-hook.jar:$pkg/java/mv-samples.jar" --main-class samples.LoginApp \
  --jvm-option -Djavax.accessibility.assistive_technologies=com.morvane.MorvaneAWTEventListener \
  --max-lifetime 400 2>"$tmp/host.err"; }
host_pid=$HOST_PID
exec {host_out}<&"${HOST[0]}" {host_in}>&"${HOST[1]}"  # kept: bash unsets HOST when the host ends
pid="" opened=0 deadline=$((SECONDS + 300))
while [[ -z $pid || $opened == 0 ]] && ((SECONDS < deadline)) && read -r -t $((deadline - SECONDS)) line <&$host_out; do
  case ${line%$'\r'} in "ready "*) pid=${line#ready }; pid=${pid%$'\r'} ;; "windows open") opened=1 ;; esac
done
check "mvjava-host published its JVM ($pid; $(tr '\n' ' ' <"$tmp/host.err"))" test -n "$pid"
check "the login window is open" test $opened = 1
probe() { timeout 120 "$wine64" cscript //nologo "$(dos "$here/last_sign_in.js")" "$pid" 2>&1 | tr -d '\r'; }
if [[ -n $pid && $opened == 1 ]]; then
  check "before the sample: no sign-in" grep -q "signInCount=0" <<<"$(probe)"
  timeout 180 "$wine64" cscript //nologo "$(dos "$pkg/samples/jscript/sign_in.js")" "$pid" "$user" "$password" >"$tmp/sample.out" 2>&1
  rc=$?
  tr -d '\r' <"$tmp/sample.out" | sed 's/^/  sign_in.js: /'
  check "sign_in.js exited 0 (exit $rc)" test $rc = 0
  after=$(probe)
  check "the application received exactly \"$user|$password\", once ($after)" \
    grep -qz "signInCount=1.*lastSignIn=$user|$password" <<<"$after"
  [[ -f $pkg/x64/mvjava.exe ]] &&
    check "x64/mvjava.exe list shows pid $pid" grep -qw -- "$pid" <<<"$(timeout 120 "$wine64" "$pkg/x64/mvjava.exe" list 2>&1 | tr -d '\r')" &&
    check "x64/mvjava.exe --version shows $version" grep -qx -- "mvjava $version" \
      <<<"$(timeout 120 "$wine64" "$pkg/x64/mvjava.exe" --version 2>&1 | tr -d '\r')"
  { echo stop >&"$host_in"; } 2>/dev/null
  stopped=0
  while read -r -t 60 line <&$host_out; do [[ ${line%$'\r'} == stopped ]] && { stopped=1; break; }; done
  wait "$host_pid" 2>/dev/null
  host_pid=""
  check "mvjava-host withdrew its JVM and stopped" test $stopped = 1
fi

if ((registered)); then
  check "regsvr32 /u" timeout 120 "$wine64" regsvr32 /s /u "$module_dos"
  registered=0
  check "the MvJavaCpp class is gone" not timeout 60 "$wine64" reg query "$clsid"
fi
cleanup
for _ in $(seq 30); do left=$(pgrep -af -- "$tag" | grep -v -- "^$$ "); [[ -z $left ]] && break; sleep 1; done
check "no process of this test is left ($left)" test -z "$left"
finish
