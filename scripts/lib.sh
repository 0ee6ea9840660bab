# Shared by the scripts: paths, logging, the Wine prefix and the virtual display of one run.
VELNOR_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
VELNOR_BUILD="${VELNOR_BUILD:-$VELNOR_ROOT/build}"
VELNOR_CACHE="${VELNOR_CACHE:-$HOME/.cache/velnor}"
export LC_ALL=ja_JP.UTF-8 LANG=ja_JP.UTF-8
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"

say() { printf '[velnor] %s\n' "$*" >&2; }

# A fresh, throw-away Wine prefix; one wineserver kept alive for the whole run.
velnor_wine_prefix() {
  export WINEPREFIX="$1"
  rm -rf "$WINEPREFIX"
  mkdir -p "$(dirname "$WINEPREFIX")"
  say "preparing Wine prefix $WINEPREFIX"
  wineboot -i >/dev/null 2>&1 || { say "wineboot failed"; return 1; }
  wineserver -w
  velnor_unlink_home
  wineserver -p >/dev/null 2>&1 &
}

# Whether Wine hands its windows to a window manager: not on the virtual display, which has none (Wine then
# draws the title bars itself, and screenshots show each window whole); yes on a real desktop.
velnor_wine_managed() {
  "$VELNOR_ROOT/scripts/wine-exec" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d "$1" /f >/dev/null 2>&1 || true
}

# Wine links the user's Documents, Desktop and the like to the Linux home folder. Velnor backs up, empties
# and restores My Documents: in a prefix of ours those must be real folders inside the prefix, never $HOME.
velnor_unlink_home() {
  local link
  for link in "$WINEPREFIX"/drive_c/users/*/*; do
    if [ -L "$link" ]; then
      rm -f "$link"
      mkdir -p "$link"
    fi
  done
}

# Xvfb on the first free display; sets DISPLAY and VELNOR_XVFB_PID.
velnor_xvfb() {
  local n
  for n in $(seq 91 120); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    VELNOR_XVFB_PID=$!
    export DISPLAY=":$n"
    velnor_wine_managed N
    for _ in $(seq 1 50); do [ -e "/tmp/.X11-unix/X$n" ] && return 0; sleep 0.1; done
  done
  say "could not start Xvfb"; return 1
}

velnor_cleanup() {
  bash "$VELNOR_ROOT/tests/support/prefix.d/floppy.sh" cleanup >/dev/null 2>&1 || true
  [ -n "${WINEPREFIX:-}" ] && wineserver -k >/dev/null 2>&1 || true
  [ -n "${VELNOR_XVFB_PID:-}" ] && kill "$VELNOR_XVFB_PID" >/dev/null 2>&1 || true
}
