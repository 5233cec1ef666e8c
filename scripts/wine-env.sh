# Sourced by the scripts: a private Wine prefix per checkout, created on first use.
root=${root:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
export WINEPREFIX=${WINEPREFIX:-${QV_BUILD_ROOT:-$root/build}/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
ensure_wineprefix() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w || true
  fi
  # Virtual desktops named "quorvel" get a taskbar with a notification area.
  if ! grep -q '"EnableShell"' "$WINEPREFIX/user.reg" 2>/dev/null; then
    wine reg add 'HKCU\Software\Wine\Explorer\Desktops\quorvel' /v EnableShell /t REG_DWORD /d 1 /f >/dev/null 2>&1 || true
    wineserver -w || true
  fi
}
# Starts Xvfb on a free display when there is no display; sets DISPLAY and XVFB_PID. One display
# per build root is remembered and reused, so repeated calls do not leave servers behind.
ensure_display() {
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then return; fi
  local marker="${QV_BUILD_ROOT:-$root/build}/.xvfb-display"
  if [ -f "$marker" ]; then
    local saved; saved=$(cat "$marker")
    if DISPLAY="$saved" xdpyinfo >/dev/null 2>&1; then
      export DISPLAY="$saved"
      return
    fi
  fi
  for n in $(seq 90 160); do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
      Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
      XVFB_PID=$!
      export DISPLAY=":$n"
      for _ in $(seq 1 50); do
        if xdpyinfo >/dev/null 2>&1; then
          mkdir -p "$(dirname "$marker")" && echo ":$n" > "$marker"
          return
        fi
        sleep 0.1
      done
      echo "Xvfb did not start on :$n" >&2
      return 1
    fi
  done
  echo "no free X display" >&2
  return 1
}
