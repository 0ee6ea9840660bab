#!/usr/bin/env bash
# The installer as a user meets it, in the run's Wine world, once for this user and once for all users:
# installed silently, Velnor starts from where it went and its Help menu opens the installed help page (a
# stand-in browser is registered for .html); the uninstaller then leaves no file, Start-menu entry or key of
# ours behind, and keeps what the person put in the program's folder.
#   install_test.sh DIST_FOLDER BIN_FOLDER (test_e2e.exe, test_page_opener.exe)
set -u
. "$(dirname "$0")/../../scripts/lib.sh"
dist="$1" bin="$2"
run() { "$VELNOR_ROOT/scripts/wine-exec" "$@"; }
fail() { echo "install_test: $*"; exit 1; }
installer="$(ls -t "$dist"/Velnor-*-setup.exe 2>/dev/null | head -n 1)"
[ -n "$installer" ] || fail "no installer in $dist (scripts/package makes it)"
winpath() { run winepath -u "$1" 2>/dev/null | tr -d '\r'; }
# The Start-menu folders of ours, wherever this Windows keeps its Start menus.
menus() { find "$WINEPREFIX/drive_c" -type d -path '*/Start Menu/Programs/Velnor' 2>/dev/null; }

# The stand-in browser, for .html pages (the classes the shell reads: Wine's shell reads the machine's).
opener="Z:$(tr '/' '\\' <<<"$bin/test_page_opener.exe")"
before="$(run reg query 'HKCR\.html' /ve 2>/dev/null | tr -d '\r' | sed -n 's/^ *[^ ]* *REG_SZ *//p')"
run reg add 'HKCR\.html' /ve /d VelnorTestPage /f >/dev/null
run reg add 'HKCR\VelnorTestPage\shell\open\command' /ve /d "\"$opener\" \"%1\"" /f >/dev/null
put_back() {
  run reg delete 'HKCR\VelnorTestPage' /f >/dev/null 2>&1
  if [ -n "$before" ]; then run reg add 'HKCR\.html' /ve /d "$before" /f >/dev/null
  else run reg delete 'HKCR\.html' /f >/dev/null 2>&1; fi
}
trap put_back EXIT

for mode in CurrentUser AllUsers; do
  case $mode in CurrentUser) root=HKCU ;; AllUsers) root=HKLM ;; esac
  key="$root\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Velnor"
  run "$installer" /S "/$mode" || fail "$mode: the installer failed"
  where="$(run reg query "$key" /v InstallLocation 2>/dev/null | tr -d '\r' | sed -n 's/^ *InstallLocation *REG_SZ *//p')"
  [ -n "$where" ] || fail "$mode: the installer recorded no InstallLocation under $key"
  dir="$(winpath "$where")"
  for f in velnor.exe sys/msg sys/icon.ico index.html uninstall.exe; do
    [ -f "$dir/$f" ] || fail "$mode: not installed: $where\\$f"
  done
  menu="$(menus)"
  [ -f "$menu/Velnor.lnk" ] || fail "$mode: no Start-menu entry (found: ${menu:-none})"

  VELNOR_INSTALLED="$where" run "$bin/test_e2e.exe" --gtest_color=no --gtest_filter='Package.*' ||
    fail "$mode: the installed Velnor"

  # A backup set the person chose to keep in the program's folder is theirs, not the uninstaller's.
  mkdir -p "$dir/バックアップ"
  echo set > "$dir/バックアップ/Velnor.ini"
  run "$dir/uninstall.exe" /S "/$mode" || fail "$mode: the uninstaller failed"
  # The uninstaller copies itself aside and goes on from there: wait (a minute at most) until it is done.
  for _ in $(seq 1 600); do [ -e "$dir/velnor.exe" ] || [ -n "$(menus)" ] || break; sleep 0.1; done
  left="$(cd "$dir" && find . -mindepth 1 | sort | tr '\n' ' ')"
  [ "$left" = "./バックアップ ./バックアップ/Velnor.ini " ] || fail "$mode: in $where after the uninstall: $left"
  [ -z "$(menus)" ] || fail "$mode: left behind: $(menus)"
  run reg query "$key" >/dev/null 2>&1 && fail "$mode: left behind: $key"
  rm -rf "$dir"
  echo "install_test: $mode: installed, started, opened its help, uninstalled leaving only the person's files"
done
