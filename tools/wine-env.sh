# Shared set-up of the build tree's Wine prefix and display; sourced by wine-run and wine-stop.

# Runs the calling script again with the fixed address-space layout unless it has it already:
#   mv_wine_fixed_layout bash SCRIPT "$@"
# Debian's Wine has no preloader, so nothing reserves the addresses Windows programs need before
# Linux lays out a new process. With the layout randomised, the heap of the loader (a fixed-address
# program at 0x7d000000, its heap starting anywhere in the next GiB) sometimes covers the page of
# Windows' shared user data (0x7ffe0000), and the process dies as it starts ("failed to map the
# shared user data: c0000018"; its creator's CreateProcess fails with error 1359, about one start in
# 8,000 here). Every process of ours and Wine's inherits the fixed layout from the script.
mv_wine_fixed_layout() {
  (( 0x$(</proc/self/personality) & 0x40000 )) || exec setarch "$(uname -m)" --addr-no-randomize "$@"
}

mv_wine_export() {
  local state=$1
  mkdir -p "$state"
  MV_WINE_STATE=$(cd "$state" && pwd)
  export MV_WINE_STATE
  export WINEPREFIX="$MV_WINE_STATE/prefix"
  export WINEARCH=win64
  export WINEDEBUG=${WINEDEBUG:--all}
  # No Mono or Gecko installers: the prefix must come up without asking anything.
  export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
}

# Starts Xvfb for this state dir unless one of ours is alive; sets DISPLAY.
mv_display_start() {
  local pidfile="$MV_WINE_STATE/xvfb.pid" dispfile="$MV_WINE_STATE/xvfb.display"
  if [[ -s $pidfile && -s $dispfile ]] && kill -0 "$(cat "$pidfile")" 2>/dev/null; then
    export DISPLAY=":$(cat "$dispfile")"; return
  fi
  local fifo="$MV_WINE_STATE/xvfb.fd"
  rm -f "$fifo"; mkfifo "$fifo"
  setsid Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 </dev/null &
  echo $! >"$pidfile"
  local num
  read -r -t 20 num <"$fifo" || { echo "wine-run: Xvfb did not start" >&2; exit 1; }
  rm -f "$fifo"
  echo "$num" >"$dispfile"
  export DISPLAY=":$num"
}

mv_wine_setup() {
  mv_wine_export "$1"
  exec 9>"$MV_WINE_STATE/lock"
  flock 9
  mv_display_start
  # A prefix made before 32-bit Wine was installed has no 32-bit system: made again.
  if [[ -f "$WINEPREFIX/.mv-ready" && -x /usr/lib/wine/wine && ! -d "$WINEPREFIX/drive_c/windows/syswow64" ]]; then
    rm -rf "$WINEPREFIX"
  fi
  if [[ ! -f "$WINEPREFIX/.mv-ready" ]]; then
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w
    touch "$WINEPREFIX/.mv-ready"
  fi
  flock -u 9
  exec 9>&-
}

# Ends the wineserver of this prefix (and with it every Wine process in it) and our Xvfb.
mv_wine_stop() {
  mv_wine_export "$1"
  if [[ -d $WINEPREFIX ]]; then
    wineserver -k 2>/dev/null || true
    wineserver -w 2>/dev/null || true
  fi
  local pidfile="$MV_WINE_STATE/xvfb.pid"
  if [[ -s $pidfile ]]; then
    local pid; pid=$(cat "$pidfile")
    if kill -0 "$pid" 2>/dev/null; then
      kill "$pid" 2>/dev/null || true
      for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
      kill -9 "$pid" 2>/dev/null || true
    fi
    rm -f "$pidfile" "$MV_WINE_STATE/xvfb.display"
  fi
}
