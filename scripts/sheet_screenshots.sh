#!/usr/bin/env bash
# Screenshots of the configuration sheet through the installed plug-in: the product installed into a
# Wine prefix of its own, each list with a few rules (one disabled, one whose text does not parse),
# "plughost setup" shown under a virtual display with a window manager, then the white list page, the
# black list page and the rule edit dialog open over the sheet, as PNGs in out/screenshots/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
out=$root/out/screenshots
export WINEPREFIX=$root/out/sheet-prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

# Runs inside the virtual display.
session() {
  openbox >/dev/null 2>&1 &
  local wm=$!
  sleep 1
  wine 'C:\Program Files\Kestrom\Corvane Suite\plughost.exe' setup &
  local host=$!
  local sheet=""
  for _ in $(seq 100); do
    sheet=$(xdotool search --onlyvisible --name '^Antispam settings$' 2>/dev/null | head -n 1) && [ -n "$sheet" ] && break
    sleep 0.2
  done
  if [ -z "$sheet" ]; then
    echo "sheet_screenshots: the sheet did not show" >&2
    kill "$wm" "$host" 2>/dev/null || true
    return 1
  fi
  sleep 2  # the sheet centres itself and paints its page
  shot "$sheet" white-list-page
  # A click on the second tab (Wine's sheet does not turn pages with Ctrl+Page Down from xdotool).
  tab "$sheet" 103
  sleep 1
  shot "$sheet" black-list-page
  tab "$sheet" 37
  sleep 1
  # The rules label's mnemonic focuses the tree (which selects its first rule); the second rule, then
  # the Edit button's mnemonic.
  xdotool key alt+r Down alt+e
  local rule=""
  for _ in $(seq 50); do
    rule=$(xdotool search --onlyvisible --name '^Rule$' 2>/dev/null | head -n 1) && [ -n "$rule" ] && break
    sleep 0.2
  done
  sleep 1
  shot "$sheet" rule-edit-dialog whole
  [ -n "$rule" ] && xdotool key Escape
  sleep 1
  xdotool key Escape  # cancels the sheet: nothing is written
  wait "$host" || true
  kill "$wm" 2>/dev/null || true
}

# tab WINDOW X: clicks the sheet's tab row at X pixels from the window's left edge.
tab() {
  eval "$(xdotool getwindowgeometry --shell "$1" | head -n 5)"
  xdotool mousemove "$((X + $2))" "$((Y - 3))" click 1
}

# shot WINDOW NAME [whole]: the window with its frame, or the whole screen.
shot() {
  if [ "${3:-}" = whole ]; then
    import -window root "$out/$2.png"
  else
    eval "$(xdotool getwindowgeometry --shell "$1" | head -n 5)"
    import -window root -crop "$((WIDTH + 20))x$((HEIGHT + 60))+$((X - 10))+$((Y - 45))" +repage "$out/$2.png"
  fi
}

if [ "${1:-}" = "--session" ]; then
  session
  exit 0
fi
"$root/scripts/setup.sh"
ninja -C "$build" -j2 plughost relaymx rk_gui sfl_ipc
mkdir -p "$out" "$WINEPREFIX"
rm -f "$out"/white-list-page.png "$out"/black-list-page.png "$out"/rule-edit-dialog.png
[ -f "$WINEPREFIX/system.reg" ] || wineboot -i >/dev/null 2>&1
wine "$build/bin/plughost.exe" install >/dev/null
users=$WINEPREFIX/drive_c/shots
mkdir -p "$users"
wine reg add 'HKCU\Software\Kestrom\Corvane Suite\Paths' /v 'aspam settings' /d 'C:\shots\' /f >/dev/null
printf '#Friends\r\nFrom :alice@example.org\r\n\r\n#Old colleague (off for now)\r\n##From :bob@example.org\r\n\r\n#Typo in the keyword\r\nsubjekt starts:[team]\r\n\r\n#The project list\r\nTo ends :@lists.example.org\r\n' \
  > "$users/whitelist.txt"
printf '#Pills\r\nSubject matches :*[Vv]iagra*\r\n\r\n#Lottery (off)\r\n##Body :you have won\r\n\r\n#Two parts\r\nfrom subject:prize\r\n' \
  > "$users/blacklist.txt"
xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" --session
wineserver -w
ls "$out"
