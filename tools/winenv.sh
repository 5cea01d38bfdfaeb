# Sourced by the scripts: a private Wine prefix, a virtual display when there
# is none (or when ORV_FORCE_XVFB=1), and one persistent wineserver.
# Everything started here is stopped by orv_env_stop, by its own id.

orv_env_start() {
  local build=$1 arch=$2
  export WINELOADER
  WINELOADER=$(orv_wine_loader "$arch")
  export WINEPREFIX="$build/wineprefix-$arch"
  export WINEDEBUG=-all
  # No prompts to install .NET or HTML engines into the prefix.
  export WINEDLLOVERRIDES="mscoree,mshtml="
  if [ "$arch" = win32 ]; then export WINEARCH=win32; else export WINEARCH=win64; fi
  ORV_XVFB_PID=""
  ORV_KEEPER_PID=""
  if [ -z "${DISPLAY:-}" ] || [ "${ORV_FORCE_XVFB:-0}" = 1 ]; then
    local n=90
    while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 </dev/null &
    ORV_XVFB_PID=$!
    export DISPLAY=":$n"
    for _ in $(seq 1 100); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
  fi
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    "$WINELOADER" wineboot -i >/dev/null 2>&1 </dev/null || true
  fi
  wineserver -p >/dev/null 2>&1 </dev/null &
  ORV_WINESERVER_PID=$!
  # Start the prefix's services now: the first program of a session otherwise
  # starts them and they keep its output pipe open, which stalls a caller that
  # reads that output to its end (CTest's test discovery does).
  "$WINELOADER" wineboot >/dev/null 2>&1 </dev/null || true
  # Wine closes the desktop when no program has a window and starts it again
  # from the next one, giving it that program's standard error: a test whose
  # output CTest reads would then wait for the desktop to end. A program that
  # holds a hidden window keeps the desktop for the session (desktop_keeper.cpp).
  local keeper="$build/$arch/tools/desktop_keeper.exe"
  if [ -f "$keeper" ]; then
    "$WINELOADER" "$keeper" >/dev/null 2>&1 </dev/null &
    ORV_KEEPER_PID=$!
  fi
}

# Safe to call again: what was stopped is forgotten.
orv_env_stop() {
  if [ -n "${WINEPREFIX:-}" ]; then wineserver -k >/dev/null 2>&1 || true; fi
  if [ -n "${ORV_KEEPER_PID:-}" ]; then
    kill "$ORV_KEEPER_PID" 2>/dev/null || true
    wait "$ORV_KEEPER_PID" 2>/dev/null || true
  fi
  if [ -n "${ORV_WINESERVER_PID:-}" ]; then wait "$ORV_WINESERVER_PID" 2>/dev/null || true; fi
  if [ -n "${ORV_XVFB_PID:-}" ]; then
    kill "$ORV_XVFB_PID" 2>/dev/null || true
    wait "$ORV_XVFB_PID" 2>/dev/null || true
  fi
  ORV_WINESERVER_PID=""
  ORV_KEEPER_PID=""
  ORV_XVFB_PID=""
}
