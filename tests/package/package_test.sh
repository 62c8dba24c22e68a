#!/bin/bash
# The archive as a user receives it: builds it with scripts/package.sh, unpacks it into a fresh
# temporary folder and, with nothing but the unpacked files, a Wine prefix and an X display of its
# own, registers the 64-bit module, starts the sample login application with the unpacked test-bed
# host and jars, signs in with the unpacked JScript sample, checks what the application received
# (read by a probe script of this test, not by the sample), unregisters, and stops all it started.
#
#   package_test.sh --source CHECKOUT --win64 BUILD --win32 BUILD
#
# Every step prints "ok: ..." or "FAIL: ..."; the test fails when any step failed.
set -uo pipefail
trap '' PIPE  # "stop" to a host that has already ended must not end this script

source_dir="" win64="" win32=""
while (($#)); do
  case $1 in
    --source) source_dir=$2; shift 2 ;;
    --win64) win64=$2; shift 2 ;;
    --win32) win32=$2; shift 2 ;;
    *) echo "usage: package_test.sh --source CHECKOUT --win64 BUILD --win32 BUILD" >&2; exit 2 ;;
  esac
done
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
user="pkg.alice"
password='Pa55word!x'
login_main=samples.LoginApp
listener=-Djavax.accessibility.assistive_technologies=com.morvane.MorvaneAWTEventListener

failures=()
ok() { echo "ok: $*"; }
fail() { echo "FAIL: $*"; failures+=("$*"); }
finish() {
  if ((${#failures[@]})); then
    echo "package test: ${#failures[@]} failure(s):"
    printf '  %s\n' "${failures[@]}"
    exit 1
  fi
  echo "package test: all steps passed"
  exit 0
}

if [[ -z $win32 ]]; then
  fail "the i686 build is not known: configure the x86_64 build with -DMV_I686_MODULE=<i686 build>/src/module/MvJavaJniComRot.dll"
  finish
fi

tmp=$(mktemp -d "${TMPDIR:-/tmp}/mv-package-test.XXXXXX")
tag=$(basename "$tmp")  # unique; every process this test starts carries it in its command line
xvfb_pid="" host_started=0 host_pid="" host_in="" host_out="" registered=0 prefix_made=0

# Windows path of a Linux path (Wine maps / to Z:).
dos() { local p="Z:$1"; echo "${p//\//\\}"; }

cleanup() {
  if ((host_started)); then
    # The coproc's descriptors are gone once the host has ended.
    { echo stop >&"$host_in"; } 2>/dev/null
    wait "$host_pid" 2>/dev/null || true
    host_started=0
  fi
  if ((registered)); then
    timeout 60 wine regsvr32 /s /u "$(dos "$pkg/x64/MvJavaJniComRot.dll")" >/dev/null 2>&1 || true
    registered=0
  fi
  if ((prefix_made)); then
    WINEPREFIX=$tmp/prefix wineserver -k 2>/dev/null || true
    WINEPREFIX=$tmp/prefix timeout 30 wineserver -w 2>/dev/null || true
    prefix_made=0
  fi
  if [[ -n $xvfb_pid ]]; then
    kill "$xvfb_pid" 2>/dev/null || true
    for _ in $(seq 50); do kill -0 "$xvfb_pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
    xvfb_pid=""
  fi
}
trap 'cleanup; rm -rf "$tmp"' EXIT

# --- the archive ---------------------------------------------------------------------------
if ! bash "$source_dir/scripts/package.sh" --out "$tmp/dist" --win32 "$win32" --win64 "$win64" \
     >"$tmp/package.out" 2>"$tmp/package.err"; then
  sed 's/^/  /' "$tmp/package.err"
  fail "scripts/package.sh failed"
  finish
fi
sed 's/^/  /' "$tmp/package.err"
archive=$(tail -n 1 "$tmp/package.out")
[[ -f $archive ]] || { fail "scripts/package.sh named no archive (last line: $archive)"; finish; }
ok "built $(basename "$archive")"

mkdir -p "$tmp/unpacked"
case $archive in
  *.zip) unzip -q "$archive" -d "$tmp/unpacked" ;;
  *.tar.gz) tar -xzf "$archive" -C "$tmp/unpacked" ;;
  *) fail "unknown archive type: $archive"; finish ;;
esac
tops=("$tmp"/unpacked/*)
if ((${#tops[@]} != 1)) || [[ ! -d ${tops[0]} ]]; then
  fail "the archive must hold exactly one top folder, found: ${tops[*]##*/}"
  finish
fi
pkg=${tops[0]}
version=$(cat "$pkg/VERSION" 2>/dev/null || echo "")
if [[ -n $version && $(basename "$pkg") == "MvJavaJniComRot-$version" && $(basename "$archive") == MvJavaJniComRot-$version.* ]]; then
  ok "unpacked MvJavaJniComRot-$version"
else
  fail "folder $(basename "$pkg") and archive $(basename "$archive") do not carry VERSION ($version)"
fi

# --- what it holds -------------------------------------------------------------------------
required=(x86/MvJavaJniComRot.dll x64/MvJavaJniComRot.dll x86/MvJavaJniComRot.tlb x64/MvJavaJniComRot.tlb
          include/MvJavaJniComRot_h.h java/mv-hook.jar java/mv-samples.jar README.md docs/README.md
          harness/README.txt harness/mvjava-host.exe harness/jniproxy.dll harness/MvJavaJni.dll
          harness/mv-jniserver CONTENTS.txt)
absent=()
for f in "${required[@]}"; do [[ -f $pkg/$f ]] || absent+=("$f"); done
if ((${#absent[@]})); then fail "missing from the archive: ${absent[*]}"; else ok "all ${#required[@]} required files present"; fi
[[ -x $pkg/harness/mv-jniserver ]] && ok "mv-jniserver is executable" || fail "harness/mv-jniserver lost its execute bit"

pe_machine() {
  local offset
  offset=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
  od -An -tx2 -j$((offset + 4)) -N2 "$1" | tr -d ' '
}
for check in "x86/MvJavaJniComRot.dll 014c" "x64/MvJavaJniComRot.dll 8664" "harness/mvjava-host.exe 8664" \
             "x86/mvjava.exe 014c" "x64/mvjava.exe 8664"; do  # mvjava: when present
  set -- $check
  [[ -f $pkg/$1 ]] || continue
  m=$(pe_machine "$pkg/$1")
  [[ $m == "$2" ]] && ok "$1 is built for machine 0x$2" || fail "$1 has machine 0x$m, expected 0x$2"
done
# The two type libraries are the 32- and 64-bit builds of one library, not one file twice.
if cmp -s "$pkg/x86/MvJavaJniComRot.tlb" "$pkg/x64/MvJavaJniComRot.tlb"; then
  fail "x86 and x64 type libraries are identical"
fi

# CONTENTS.txt lists every file with its SHA-256.
listed=$(sed -n '/^Files (SHA-256):$/,/^$/p' "$pkg/CONTENTS.txt" | grep -E '^[0-9a-f]{64}  ')
if (cd "$pkg" && sha256sum --quiet -c <<<"$listed" >/dev/null 2>&1); then
  actual=$(cd "$pkg" && find . -type f ! -name CONTENTS.txt | wc -l)
  if (($(wc -l <<<"$listed") == actual)); then ok "CONTENTS.txt matches all $actual files"
  else fail "CONTENTS.txt lists $(wc -l <<<"$listed") files, the archive holds $actual"; fi
else
  fail "a file does not match its SHA-256 in CONTENTS.txt"
fi
if grep -q '^Not included' "$pkg/CONTENTS.txt"; then
  echo "  note: $(sed -n '/^Not included/,$p' "$pkg/CONTENTS.txt" | tail -n +2 | tr -s ' \n' ' ')not in this archive"
fi

# Every relative link of the guide leads to a file of the guide.
broken=()
while IFS= read -r link; do
  target=${link%%#*}
  [[ -z $target || $target == *://* ]] && continue
  [[ -e $pkg/docs/$target ]] || broken+=("$target")
done < <(grep -ohE '\]\([^)]+\)' "$pkg"/docs/*.md | sed -E 's/^\]\((.*)\)$/\1/')
((${#broken[@]})) && fail "broken links in docs/: ${broken[*]}" || ok "links of docs/ resolve"

# --- a fresh Wine prefix and a display of our own -------------------------------------------
export WINEPREFIX=$tmp/prefix WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
mkfifo "$tmp/xvfb.fd"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$tmp/xvfb.fd" >/dev/null 2>&1 </dev/null &
xvfb_pid=$!
if ! read -r -t 30 display_number <"$tmp/xvfb.fd"; then fail "Xvfb did not start"; finish; fi
export DISPLAY=":$display_number"
prefix_made=1
start=$SECONDS
timeout 300 wineboot -i >/dev/null 2>&1
timeout 120 wineserver -w
[[ -f $WINEPREFIX/system.reg ]] && ok "fresh prefix in $((SECONDS - start)) s, display $DISPLAY" || { fail "wineboot made no prefix"; finish; }

# --- registration from the unpacked folder --------------------------------------------------
clsid='{3B9E2C41-7A15-4F0D-9C62-1E8A5D7F0B34}'
libid='{9A6C4E12-3F08-4D71-B2E5-0C8F1A7D6E93}'
module_dos=$(dos "$pkg/x64/MvJavaJniComRot.dll")
reg_value() { timeout 60 wine reg query "$1" /ve 2>/dev/null | tr -d '\r' | sed -n 's/.*REG_SZ[[:space:]]*//p'; }
if timeout 120 wine regsvr32 /s "$module_dos"; then
  registered=1
  ok "regsvr32 x64/MvJavaJniComRot.dll"
else
  fail "regsvr32 x64/MvJavaJniComRot.dll failed"
fi
server=$(reg_value "HKCR\\CLSID\\$clsid\\InprocServer32")
[[ ${server,,} == "${module_dos,,}" ]] && ok "MvJavaCpp's in-process server is the unpacked module" \
  || fail "InprocServer32 is '$server', expected '$module_dos'"
typelib=$(reg_value "HKCR\\TypeLib\\$libid\\1.0\\0\\win64")
[[ ${typelib,,} == "${module_dos,,}"* ]] && ok "type library registered from the unpacked module" \
  || fail "type library entry is '$typelib'"

# --- the sample login application, run by the unpacked test-bed host ------------------------
coproc HOST { exec wine "$pkg/harness/mvjava-host.exe" --jni-server "$pkg/harness/mv-jniserver" \
  --class-path "$pkg/java/mv-hook.jar:$pkg/java/mv-samples.jar" --main-class "$login_main" \
  --jvm-option "$listener" --max-lifetime 400 2>"$tmp/host.err"; }
host_started=1
host_pid=$HOST_PID
# Kept apart: bash unsets HOST when the host ends.
host_out=${HOST[0]:-} host_in=${HOST[1]:-}
# The host prints "ready <pid>" once published; the application, whose JVM shares the host's
# output, prints "windows open" once its window shows. Either may come first.
pid="" opened=0 seen=""
deadline=$((SECONDS + 300))
while [[ -z $pid || $opened == 0 ]] && ((SECONDS < deadline)) &&
      read -r -t $((deadline - SECONDS)) line <&"$host_out"; do
  line=${line%$'\r'}
  seen+="$line; "
  case $line in
    "ready "*) pid=${line#ready } ;;
    "windows open") opened=1 ;;
  esac
done
[[ -n $pid ]] && ok "mvjava-host published its JVM (Windows pid $pid)" \
  || fail "mvjava-host did not publish a JVM (output: '$seen' stderr: $(tr '\n' ' ' <"$tmp/host.err"))"
((opened)) && ok "the login window is open" || fail "the login application did not say \"windows open\""
((opened)) || pid=""

probe() {  # prints the probe's lines; its exit code is the script's
  timeout 120 wine cscript //nologo "$(dos "$here/last_sign_in.js")" "$1" 2>&1 | tr -d '\r'
}

if [[ -n $pid ]]; then
  before=$(probe "$pid")
  [[ $before == *"signInCount=0"* ]] && ok "before the sample: no sign-in" || fail "before the sample the probe said: $before"

  sample=$pkg/samples/jscript/sign_in.js
  if [[ ! -f $sample ]]; then
    fail "the JScript sample samples/jscript/sign_in.js is missing from the archive (source: $source_dir/samples/jscript/sign_in.js)"
  else
    timeout 180 wine cscript //nologo "$(dos "$sample")" "$pid" "$user" "$password" >"$tmp/sample.out" 2>&1
    rc=$?
    tr -d '\r' <"$tmp/sample.out" | sed 's/^/  sign_in.js: /'
    ((rc == 0)) && ok "sign_in.js exited 0" || fail "sign_in.js exited $rc"
    after=$(probe "$pid")
    if [[ $after == *"signInCount=1"* && $after == *"lastSignIn=$user|$password"* ]]; then
      ok "the application received exactly \"$user|$password\", once"
    else
      fail "the application received: $(tr '\n' ' ' <<<"$after")"
    fi
  fi

  mvjava=$pkg/x64/mvjava.exe
  if [[ -f $mvjava ]]; then
    listing=$(timeout 120 wine "$mvjava" list 2>&1)
    rc=$?
    listing=$(tr -d '\r' <<<"$listing")
    if ((rc == 0)) && grep -qw -- "$pid" <<<"$listing"; then ok "x64/mvjava.exe list shows pid $pid"
    else fail "x64/mvjava.exe list (exit $rc) did not show pid $pid: $listing"; fi
  else
    echo "  note: x64/mvjava.exe is not in this archive; its check did not run"
  fi

  stopped=0
  if { echo stop >&"$host_in"; } 2>/dev/null; then
    while read -r -t 60 line <&"$host_out"; do
      [[ ${line%$'\r'} == stopped ]] && { stopped=1; break; }
    done
  fi
  wait "$host_pid" 2>/dev/null
  host_started=0
  ((stopped)) && ok "mvjava-host withdrew its JVM and stopped" || fail "mvjava-host did not stop on request"
fi

# --- unregistration --------------------------------------------------------------------------
if ((registered)); then
  if timeout 120 wine regsvr32 /s /u "$module_dos"; then ok "regsvr32 /u"; else fail "regsvr32 /u failed"; fi
  registered=0
  if timeout 60 wine reg query "HKCR\\CLSID\\$clsid" >/dev/null 2>&1; then
    fail "the MvJavaCpp class is still registered after regsvr32 /u"
  else
    ok "the MvJavaCpp class is gone"
  fi
fi

# --- nothing of ours is left running ---------------------------------------------------------
cleanup
left=""
for _ in $(seq 30); do
  left=$(pgrep -af -- "$tag" | grep -v -- "^$$ " || true)
  [[ -z $left ]] && break
  sleep 1
done
[[ -z $left ]] && ok "no process of this test is left" || fail "still running: $left"
finish
