#!/usr/bin/env bash
# Velnor started where no window can be drawn: a Wine prefix whose desktop was started by a program without
# the display (the order that once made every window of a new machine's test run fail). Velnor must end, and
# its error log must say which window could not be made and why.
#   no_display.sh BIN_DIR   (velnor.exe and its sys folder)
set -euo pipefail
. "$(dirname "$0")/../../scripts/lib.sh"
bin="$1"
: "${DISPLAY:?the display of the run}"
fail() { say "no_display: $*"; exit 1; }
work="$(mktemp -d)"
export WINEPREFIX="$work/prefix"
trap 'wineserver -k >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
wine=wine

# The old order on purpose: the prefix is made, and its desktop started, with no display set.
env -u DISPLAY wineboot -i >/dev/null 2>&1
wineserver -w
wineserver -p >/dev/null 2>&1
env -u DISPLAY "$wine" reg query 'HKCU\Software' >/dev/null 2>&1

mkdir -p "$work/app"
cp -r "$bin/velnor.exe" "$bin/sys" "$work/app/"
rc=0
timeout 120 "$wine" "$work/app/velnor.exe" >/dev/null 2>&1 </dev/null || rc=$?
[ "$rc" -eq 1 ] || fail "velnor.exe ended with $rc, not with the fatal error's 1"

log="$(find "$WINEPREFIX/drive_c/users" -name 'Velnor_ErrLog.txt' | head -n 1)"
[ -n "$log" ] || fail "no error log"
text="$(iconv -f CP932 -t UTF-8 "$log" | tr -d '\r')"
for line in '「メニュー」の画面を作成できませんでした。' \
            '理由：Windows がこのプログラムにどのウィンドウも作らせません' \
            'main ()でエラーが発生しました。'; do
  grep -qF "$line" <<<"$text" || { printf '%s\n' "$text" >&2; fail "the log does not say: $line"; }
done
# The reason stands in the start-up's own entry, the one the fatal-error box shows.
awk 'BEGIN { RS = "" } /main \(\)でエラー/ && /どのウィンドウも作らせません/ { found = 1 } END { exit !found }' \
  <<<"$text" || fail "the start-up's entry does not carry the reason"
say "no_display: Velnor ended and its log names the menu window and the reason"
