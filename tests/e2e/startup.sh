#!/usr/bin/env bash
# Starts velnor.exe as a person would: the menu appears with its Japanese caption, a second copy is refused
# with "既に起動されています", closing the menu shows the end screen, which removes the working folder and ends.
set -u
here="$(cd "$(dirname "$0")" && pwd)"
. "$here/lib.sh"
exe="$1"
out="$(dirname "$exe")/screenshots"
mkdir -p "$out"
fail() { echo "e2e_startup: $*"; kill "${pid:-0}" 2>/dev/null; exit 1; }
[ -n "${DISPLAY:-}" ] || fail "no display"
run() { "$here/../../scripts/wine-exec" "$@"; }

temp="$WINEPREFIX/drive_c/users/$(id -un)/Temp"
mkdir -p "$temp/Velnor/PackDir"
echo "left by a crash" > "$temp/Velnor/PackDir/old.txt"

run "$exe" & pid=$!
menu=$(e2e_wait_window "メニュー     Velnor" 90) || fail "the menu did not appear"
sleep 1
e2e_shot "$menu" "$out/e2e_menu.png"
[ -e "$temp/Velnor/PackDir/old.txt" ] && fail "the working folder left by a crash is still there"
[ -d "$temp/Velnor" ] || fail "no working folder"

run "$exe" & second=$!
box=$(e2e_wait_window "^Velnor$" 60) || fail "the second copy showed no message"
e2e_shot "$box" "$out/e2e_second_copy.png"
xdotool key --window "$box" Return
e2e_wait_exit "$second" 30 || fail "the second copy did not end"
xdotool search --name "メニュー     Velnor" >/dev/null || fail "the first copy's menu is gone"

xdotool windowfocus "$menu" 2>/dev/null
xdotool key --window "$menu" alt+F4
end=$(e2e_wait_window "終了処理     Velnor" 30) && e2e_shot "$end" "$out/e2e_end.png"
e2e_wait_exit "$pid" 60 || fail "the program did not end after its menu was closed"
[ -d "$temp/Velnor" ] && fail "the working folder was not removed at the end"
echo "e2e_startup: 1 passed, 0 failed"
