#!/bin/bash
# The demo command: installs what is missing, builds both targets and shows the product at
# work under Wine: the modules, the interface contract, the log, and a client process driving
# the JVM of a published Java process.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
source tools/wine-env.sh
mv_wine_fixed_layout bash "$(pwd)/scripts/demo.sh" "$@"
source scripts/lib/setup.sh

mv_install_packages
mv_build_all >/dev/null
MV_JDK_HOME=$(sed -n 's/^MV_JDK_HOME:PATH=//p' build/win64/CMakeCache.txt)
mv_wine_setup build/win64/wine
# Every program here is 64-bit; the 64-bit loader runs the 64-bit regsvr32 also where 32-bit Wine
# is installed (there, `wine regsvr32` is the 32-bit one).
MV_WINE64=/usr/lib/wine/wine64
trap mv_stop_wine EXIT

echo "== The modules: exports and imports"
for m in "i686 build/win32/src/module/MvJavaJniComRot.dll i686-w64-mingw32-objdump i386" \
         "x86_64 build/win64/src/module/MvJavaJniComRot.dll x86_64-w64-mingw32-objdump x86-64"; do
  set -- $m
  cmake -DOBJDUMP="$3" -DMODULE="$2" -DEXPECT_MACHINE="$4" -P cmake/CheckModuleImage.cmake 2>&1 | sed 's/^-- /  /'
done
echo
"$MV_WINE64" build/win64/demo/mvdemo.exe

echo
echo "== A Java process publishes its JVM; another process finds it and drives it"
module="Z:$(pwd | tr / '\\')\\build\\win64\\src\\module\\MvJavaJniComRot.dll"
"$MV_WINE64" regsvr32 /s "$module"
echo "  regsvr32: registered $module"
coproc HOST { "$MV_WINE64" build/win64/harness/javahost/mvjava-host.exe \
  --class-path "$(pwd)/build/win64/java/fixtures/mv-fixtures.jar" --max-lifetime 120 2>/dev/null; }
read -r -t 120 ready <&"${HOST[0]}" || ready=""
status=0
if [[ $ready == ready* ]]; then
  pid=${ready#ready }
  pid=${pid%$'\r'}
  echo "  mvjava-host (Windows pid $pid): JVM started, main object created, saved and published"
  "$MV_WINE64" build/win64/demo/mvdemo.exe --pid "$pid" || status=1
  echo stop >&"${HOST[1]}"
  wait "$HOST_PID" 2>/dev/null || true
  echo "  mvjava-host: withdrawn and stopped"
else
  echo "  the host did not start"; status=1
fi

echo
echo "== Single sign-on: a Swing login window appears; a client finds it, fills it and signs in"
mvjava() { echo "  \$ mvjava $*"; "$MV_WINE64" build/win64/tools/mvjava/mvjava.exe "$@" | sed 's/^/    /'; }
hook_jar="$(pwd)/build/win64/java/hook/mv-hook.jar"
samples_jar="$(pwd)/build/win64/java/samples/mv-samples.jar"
echo "  the application is started with one option: -javaagent:mv-hook.jar"
coproc LOGIN { "$MV_WINE64" build/win64/harness/javahost/mvjava-host.exe --class-path "$samples_jar" \
  --main-class samples.LoginApp --jvm-option "-javaagent:$hook_jar" --max-lifetime 180 2>/dev/null; }
# Prints the next line of the application's output that starts with $1 (its JVM shares the host's
# output), or fails.
application_says() {
  local line
  while read -r -t 30 line <&"${LOGIN[0]}"; do
    line=${line%$'\r'}
    [[ $line == "$1"* ]] && { echo "  the application printed: $line"; return 0; }
  done
  echo "  the application did not answer"; status=1
}
# The host prints "ready <pid>" once published and the application "windows open" (its JVM shares
# the host's output) once they are; either may come first.
ready="" opened=""
while { [[ -z $ready ]] || [[ -z $opened ]]; } && read -r -t 120 line <&"${LOGIN[0]}"; do
  line=${line%$'\r'}
  [[ $line == ready* ]] && ready=$line
  [[ $line == "windows open" ]] && opened=yes
done
if [[ -n $ready && -n $opened ]]; then
  pid=${ready#ready }
  echo "  mvjava-host (Windows pid $pid): the sample login application runs in its JVM"
  # A JVM on Windows shows every Java window in a native window; the host plays that part.
  echo mirror >&"${LOGIN[1]}"
  while read -r -t 60 line <&"${LOGIN[0]}"; do
    line=${line%$'\r'}
    [[ $line == "mirror done" ]] && break
    set -- $line
    printf '  native window 0x%x appeared at (%s,%s) %sx%s\n' "$2" "$3" "$4" "$5" "$6"
  done
  "$MV_WINE64" build/win64/demo/mvdemo.exe --sign-in "$pid" alice 's3cret!' || status=1
  application_says "signed in:"

  echo
  echo "== The inspector: mvjava, from another process"
  first_path() { "$MV_WINE64" build/win64/tools/mvjava/mvjava.exe find "$pid" "$@" | awk 'NR == 1 { print $1 }' || true; }
  mvjava list || status=1
  mvjava tree "$pid" --depth 6 || status=1
  user_path=$(first_path --class JTextField --name user)
  password_path=$(first_path --class JPasswordField)
  button_path=$(first_path --class JButton --title "Sign in")
  echo "  found by class, name and title: user name $user_path, password $password_path, button $button_path"
  mvjava set "$pid" "$user_path" bob || status=1
  mvjava set "$pid" "$password_path" 'pa55 word' || status=1
  mvjava click "$pid" "$button_path" || status=1
  application_says "signed in:"
  mkdir -p build/demo
  svg="$(pwd)/build/demo/login-window.svg"
  mvjava snapshot "$pid" --svg "Z:$(echo "$svg" | tr / '\\')" || status=1
  [[ -s $svg ]] && echo "  the window's component bounds, drawn and labelled: $svg" || status=1

  echo stop >&"${LOGIN[1]}"
  wait "$LOGIN_PID" 2>/dev/null || true
  echo "  mvjava-host: withdrawn and stopped"
else
  echo "  the login host did not start"; status=1
fi
echo
echo "== An application that runs without the hook, attached while it runs"
coproc PLAIN { "$MV_WINE64" build/win64/harness/javahost/mvjava-host.exe --class-path "$samples_jar" \
  --main-class samples.AwtApp --max-lifetime 120 2>/dev/null; }
plain="" opened=""
while { [[ -z $plain ]] || [[ -z $opened ]]; } && read -r -t 120 line <&"${PLAIN[0]}"; do
  line=${line%$'\r'}
  [[ $line == ready* ]] && plain=${line#ready }
  [[ $line == "windows open" ]] && opened=yes
done
if [[ -n $plain && -n $opened ]]; then
  echo "  mvjava-host (Windows pid $plain): the AWT sample, started without any option"
  mvjava list || status=1
  echo jni-server >&"${PLAIN[1]}"
  jvm_pid=""
  while [[ -z $jvm_pid ]] && read -r -t 30 line <&"${PLAIN[0]}"; do
    line=${line%$'\r'}
    [[ $line == "jni-server "* ]] && jvm_pid=${line#jni-server }
  done
  echo "  \$ jcmd $jvm_pid JVMTI.agent_load mv-hook.jar    (the JVM's own process, a Linux one here)"
  "$MV_JDK_HOME/bin/jcmd" "$jvm_pid" JVMTI.agent_load "$hook_jar" | sed 's/^/    /' || status=1
  mvjava list || status=1
  mvjava tree "$plain" --depth 2 || status=1
  echo stop >&"${PLAIN[1]}"
  wait "$PLAIN_PID" 2>/dev/null || true
else
  echo "  the plain host did not start"; status=1
fi

"$MV_WINE64" regsvr32 /s /u "$module"
echo "  regsvr32 /u: unregistered"
exit $status
