#!/usr/bin/env bash
# The test floppy drive A: of the Wine prefix: each disk a 1.44 MB tmpfs, inserted, ejected and re-inserted on
# request of the Windows tests (tests/support/floppy.h), all unmounted at the end of the run.
#
#   floppy.sh [setup]                   make A: a floppy drive with no disk in it (WINEPREFIX must be set)
#   floppy.sh control DIR ID CMD [ARG]  run CMD for a test and write "ok VALUE" or "error TEXT" to DIR/results/ID
#       new [KIB]    insert a new empty disk (1440 KiB unless told); VALUE is its number, 1, 2, ...
#       new-bad [KIB]  the same, but a disk that gives back other bytes: one byte of the first backup piece
#                    written to it changes once it is written (tests/support/bad_disk.py)
#       insert N     put disk N back in, with what was written to it
#       eject        take the disk out: A: stays, with no medium
#       stick KIB    put a new empty medium of KIB KiB into the small drive E: (a USB stick, say)
#       unstick      take it out again
#   floppy.sh cleanup [DIR]             unmount every disk and remove DIR
#
# A: -> DIR/drive -> disks/N (a disk is in) or no-disk (nothing there: Wine then finds no medium).
# E: -> DIR/stick-drive -> stick (a medium is in) or no-disk.
set -euo pipefail
. "$(dirname "$0")/../../scripts/lib.sh"
self="$(cd "$(dirname "$0")" && pwd)/$(basename "$0")"
default_dir="$VELNOR_BUILD/floppy"

unmount_all() {
  local dir="$1" disk
  [ -d "$dir/disks" ] || return 0
  if [ -f "$dir/watchers" ]; then
    xargs -r kill < "$dir/watchers" 2>/dev/null || true
    rm -f "$dir/watchers"
  fi
  for disk in "$dir"/disks/* "$dir/stick"; do
    mountpoint -q "$disk" && umount "$disk"
  done
  return 0
}

setup() {
  : "${WINEPREFIX:?WINEPREFIX must name the prefix to give a floppy drive}"
  local dir="$default_dir"
  unmount_all "$dir"
  rm -rf "$dir"
  mkdir -p "$dir/disks" "$dir/results"
  ln -sfn no-disk "$dir/drive"
  ln -sfn "$dir/drive" "$WINEPREFIX/dosdevices/a:"
  ln -sfn no-disk "$dir/stick-drive"
  ln -sfn "$dir/stick-drive" "$WINEPREFIX/dosdevices/e:"
  local reg="$VELNOR_ROOT/scripts/wine-exec"
  "$reg" reg add 'HKLM\Software\Wine\Drives' /v a: /d floppy /f >/dev/null 2>&1
  "$reg" reg add 'HKLM\Software\Wine\Drives' /v e: /d hd /f >/dev/null 2>&1
  "$reg" reg add 'HKLM\Software\VelnorTest\Floppy' /v Control /d "$self" /f >/dev/null 2>&1
  "$reg" reg add 'HKLM\Software\VelnorTest\Floppy' /v Dir /d "$dir" /f >/dev/null 2>&1
  say "floppy drive A: ready (disks under $dir)"
}

new_disk() {
  local dir="$1" kib="${2:-1440}" n=1
  [[ "$kib" =~ ^[0-9]+$ ]] && [ "$kib" -ge 16 ] && [ "$kib" -le 65536 ] || { echo "bad size $kib"; return 1; }
  while [ -e "$dir/disks/$n" ]; do n=$((n + 1)); done
  mkdir "$dir/disks/$n"
  mount -t tmpfs -o "size=${kib}k,mode=0777" tmpfs "$dir/disks/$n" || { echo "mount failed"; return 1; }
  ln -sfn "disks/$n" "$dir/drive"
  echo "$n"
}

control() {
  local dir="$1" id="$2" cmd="$3" out status=ok
  shift 3
  [[ "$id" =~ ^[A-Za-z0-9_-]+$ ]] || exit 1
  case "$cmd" in
    new) out="$(new_disk "$dir" "$@" 2>&1)" || status=error ;;
    new-bad)
      if out="$(new_disk "$dir" "$@" 2>&1)"; then
        python3 "$(dirname "$self")/bad_disk.py" "$dir/disks/$out" </dev/null >/dev/null 2>&1 &
        echo $! >> "$dir/watchers"
      else
        status=error
      fi ;;
    stick)
      if [[ "${1:-}" =~ ^[0-9]+$ ]]; then
        mountpoint -q "$dir/stick" && umount "$dir/stick"
        mkdir -p "$dir/stick"
        if mount -t tmpfs -o "size=${1}k,mode=0777" tmpfs "$dir/stick"; then
          ln -sfn stick "$dir/stick-drive"; out="$1"
        else
          status=error; out="mount failed"
        fi
      else
        status=error; out="bad size ${1:-}"
      fi ;;
    unstick) ln -sfn no-disk "$dir/stick-drive"; mountpoint -q "$dir/stick" && umount "$dir/stick"; out=0 ;;
    insert)
      if [[ "${1:-}" =~ ^[0-9]+$ ]] && mountpoint -q "$dir/disks/$1"; then
        ln -sfn "disks/$1" "$dir/drive"; out="$1"
      else
        status=error; out="no disk ${1:-}"
      fi ;;
    eject) ln -sfn no-disk "$dir/drive"; out=0 ;;
    *) status=error; out="unknown command $cmd" ;;
  esac
  # Written whole, then renamed: the test polls for the file and must never read half of it.
  printf '%s %s\n' "$status" "$out" > "$dir/results/$id.tmp"
  mv "$dir/results/$id.tmp" "$dir/results/$id"
}

case "${1:-setup}" in
  setup) setup ;;
  control) shift; control "$@" ;;
  cleanup) dir="${2:-$default_dir}"; unmount_all "$dir"; rm -rf "$dir" ;;
  *) echo "usage: $0 [setup | control DIR ID CMD [ARG] | cleanup [DIR]]" >&2; exit 2 ;;
esac
