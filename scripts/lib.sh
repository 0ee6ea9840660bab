# Shared by the scripts: paths, logging, and the Wine world of one run (display, prefix, wineserver, sample
# PC, floppy drive).
VELNOR_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
VELNOR_BUILD="${VELNOR_BUILD:-$VELNOR_ROOT/build}"
VELNOR_BUILD32="${VELNOR_BUILD32:-$VELNOR_ROOT/build32}"
VELNOR_CACHE="${VELNOR_CACHE:-$HOME/.cache/velnor}"
export LC_ALL=ja_JP.UTF-8 LANG=ja_JP.UTF-8
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"

say() { printf '[velnor] %s\n' "$*" >&2; }

# Brings up one run's Wine world, used by the tests, the run command and the benchmarks alike:
#   velnor_wine_world PREFIX virtual|own fresh|keep
# virtual: a display of its own (Xvfb); own: the display the caller has. fresh: a new prefix every time;
# keep: the prefix stays from run to run once its sample PC is whole (SAMPLE_PC_SIZE picks its size,
# SAMPLE_PC_LAYOUT=wow64 a 64-bit Windows's layout). WINEARCH=win32 makes a 32-bit Windows, and
# VELNOR_WINDOWS_VERSION (winxp, say) sets the Windows version it reports.
#
# The order matters. Wine's desktop process takes the display of the first Wine program that needs it (none
# at all when DISPLAY is unset: Wine then falls back to its null driver), and every later program of the
# prefix draws through that desktop's driver; the wineserver kept alive for the run keeps that desktop. One
# program started without the display, say reg.exe while the prefix is set up, and no window of the run can
# be made. So the display comes first, whatever an earlier run left is cleared, and only then does any Wine
# program start; scripts/wine-exec refuses to start one without a display.
velnor_wine_world() {
  local prefix="$1" display="$2" mode="$3"
  local marker="$prefix/.velnor-sample-pc-${SAMPLE_PC_SIZE:-small}${SAMPLE_PC_LAYOUT:+-$SAMPLE_PC_LAYOUT}"
  export WINEPREFIX="$prefix"
  velnor_clear_leftovers
  if [ "$display" = own ]; then
    [ -n "${DISPLAY:-}" ] || { say "no display to start Velnor on"; return 1; }
  else
    velnor_xvfb || return 1
  fi
  local make=""
  if [ "$mode" = fresh ] || [ ! -f "$marker" ]; then
    velnor_wine_prefix || return 1
    make=yes
  fi
  wineserver -p >/dev/null 2>&1
  # Wine's mount manager learns the drives and their kinds once, when the prefix's services start with the
  # first program: the floppy drive is made first, and the services start again once it is recorded.
  bash "$VELNOR_ROOT/tests/support/floppy.sh" setup || say "no test floppy drive (mounting its disks needs root)"
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w
  wineserver -p >/dev/null 2>&1
  # Wine hands its windows to a window manager only on a real desktop; the virtual display has none, so
  # there Wine draws the title bars itself and screenshots show each window whole.
  if [ "$display" = own ]; then velnor_wine_managed Y; else velnor_wine_managed N; fi
  if [ -n "${VELNOR_WINDOWS_VERSION:-}" ]; then
    "$VELNOR_ROOT/scripts/wine-exec" reg add 'HKCU\Software\Wine' /v Version /d "$VELNOR_WINDOWS_VERSION" /f >/dev/null 2>&1
  fi
  if [ -n "$make" ]; then
    say "laying out the sample PC (${SAMPLE_PC_SIZE:-small})"
    "$VELNOR_ROOT/tests/fixtures/sample-pc/make-sample-pc.sh" >/dev/null || { say "the sample PC failed"; return 1; }
    touch "$marker"
  fi
}

# What an earlier run of this prefix may have left: its wineserver (with a desktop on a display that may be
# gone) and the floppy disks mounted for it.
velnor_clear_leftovers() {
  if [ -d "$WINEPREFIX" ]; then wineserver -k >/dev/null 2>&1 || true; fi
  bash "$VELNOR_ROOT/tests/support/floppy.sh" cleanup >/dev/null 2>&1 || true
}

# A fresh Wine prefix at $WINEPREFIX.
velnor_wine_prefix() {
  [ -n "${DISPLAY:-}" ] || { say "no display: a Wine prefix made now would have a desktop without one"; return 1; }
  rm -rf "$WINEPREFIX"
  mkdir -p "$(dirname "$WINEPREFIX")"
  say "preparing Wine prefix $WINEPREFIX"
  wineboot -i >/dev/null 2>&1 || { say "wineboot failed"; return 1; }
  # Until the set-up programs have ended, the prefix's registry is not all on disk.
  wineserver -w
  velnor_unlink_home
}

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

# Xvfb on a display it finds free itself (stale locks of dead servers included); sets DISPLAY and
# VELNOR_XVFB_PID once it accepts connections.
velnor_xvfb() {
  local numfile
  numfile="$(mktemp)"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$numfile" >/dev/null 2>&1 &
  VELNOR_XVFB_PID=$!
  # Xvfb writes its display number once it is ready.
  for _ in $(seq 1 200); do
    if [ -s "$numfile" ]; then
      export DISPLAY=":$(tr -dc '0-9' < "$numfile")"
      rm -f "$numfile"
      return 0
    fi
    kill -0 "$VELNOR_XVFB_PID" 2>/dev/null || break
    sleep 0.05
  done
  rm -f "$numfile"
  say "could not start Xvfb"
  return 1
}

velnor_cleanup() {
  bash "$VELNOR_ROOT/tests/support/floppy.sh" cleanup >/dev/null 2>&1 || true
  if [ -n "${WINEPREFIX:-}" ]; then wineserver -k >/dev/null 2>&1 || true; fi
  if [ -n "${VELNOR_XVFB_PID:-}" ]; then kill "$VELNOR_XVFB_PID" >/dev/null 2>&1 || true; fi
  return 0
}
