#!/usr/bin/env bash
# farhost --interactive in a detached tmux session of 100x30: opens the
# player on the right with Alt+F2 (the focus stays on the left, as in
# FAR), copies two selected files to the PC with F5, moves a PC file to
# the player with F6 through FAR's Rename/Move dialog, cancels a format
# (Shift+F7) and quits with F10. Each step waits, with a bounded poll, for
# what the screen must show, and checks the files on both sides.
set -euo pipefail
root=$1
build=$2
bin=$build/bin
prefix=$build/wineprefix
wait_limit=${DAVU_TMUX_WAIT:-240} # seconds for one step, Wine can be slow

run() { "$root/scripts/wine-run.sh" "$prefix" "$@"; }
winpath() { printf 'Z:%s' "$1" | tr / '\\'; }

work=$(mktemp -d "$build/tmux-test.XXXXXX")
sock=davu-tmux-$$
cleanup() {
  tmux -L "$sock" kill-server >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work/plugin" "$work/player" "$work/pc"
cp "$build"/plugin/DAVUman/* "$work/plugin/"
cp "$bin/USBCTRL.dll" "$work/plugin/"
player=$(winpath "$work/player")
ctl() { run "$bin/playerctl.exe" "$@"; }
ctl init "$player" --internal 16777216 --external 33554432 >/dev/null
ctl add "$player" internal "Config.dat" --size 512 >/dev/null
ctl add "$player" internal "01 Intro.mp3" --size 30000 >/dev/null
ctl add "$player" internal "02 Theme.mp3" --size 40000 >/dev/null
ctl add "$player" internal "Voice memo.wav" --size 20000 >/dev/null
head -c 25000 /dev/zero >"$work/pc/Upload me.mp3"

cat >"$work/start.sh" <<START
export DAVU_PLAYER='$player'
export LANG=C.UTF-8
'$root/scripts/wine-run.sh' '$prefix' '$bin/farhost.exe' --interactive \\
  --root 'Software\\DAVU Tmux Test\\Plugins' --pc '$(winpath "$work/pc")' \\
  '$(winpath "$work/plugin")' 2>'$work/stderr'
echo "exit=\$?" >'$work/exit'
sleep 600
START
tmux -L "$sock" -f /dev/null new-session -d -s t -x 100 -y 30 \
  "bash '$work/start.sh'"

screen() { tmux -L "$sock" capture-pane -p -t t; }
keys() { tmux -L "$sock" send-keys -t t "$@"; }
fail() {
  echo "FAIL: $1"
  echo "--- screen:"
  screen || true
  echo "--- farhost's error output:"
  cat "$work/stderr" 2>/dev/null || true
  exit 1
}
# Polls until the command succeeds, at most `limit` seconds; false when
# it never did or farhost ended.
poll() {
  local limit=$1
  shift
  local deadline=$((SECONDS + limit))
  until "$@"; do
    [ "$SECONDS" -lt "$deadline" ] || return 1
    [ ! -f "$work/exit" ] || return 1
    sleep 0.3
  done
}
wait_until() {
  local what=$1
  shift
  poll "$wait_limit" "$@" || fail "$what"
}
on_screen() { screen | grep -qF -- "$1"; }
not_on_screen() { ! on_screen "$1"; }
# The store's index.txt holds the names hex-coded.
player_has() {
  grep -qi -- "$(printf '%s' "$1" | od -An -tx1 | tr -d ' \n')" \
    "$work/player/index.txt"
}
wait_for() { wait_until "\"$1\" on the screen" on_screen "$1"; }
wait_gone() { wait_until "\"$1\" gone from the screen" not_on_screen "$1"; }

# Two panels on the PC folder, with the key bar.
wait_for "Upload me.mp3"
wait_for "10Quit"
on_screen "Name" || fail "no column titles"

# Alt+F2: the disk menu of the right panel, the plug-in's entry last
# (Up from the first entry wraps to it). Where the terminal does not pass
# Alt+F2 on, the chord the screen offers, Ctrl+F2, must open it.
keys M-F2
if ! poll 60 on_screen "DAVU player"; then
  echo "Alt+F2 did not arrive; trying Ctrl+F2"
  keys C-F2
  wait_for "DAVU player"
fi
keys Up Enter
wait_for "DAVU: internal memory"
wait_for "Voice memo.wav"

# Over to the player's panel; select "01 Intro.mp3" and "02 Theme.mp3"
# (below ".." and Config.dat).
keys Tab Down Down Insert Insert
wait_for "bytes in 2 files"
keys F5
wait_for "Copy the selected files from the player?"
keys Enter
wait_until "both files on the PC" test -f "$work/pc/01 Intro.mp3" -a \
  -f "$work/pc/02 Theme.mp3"
wait_gone "bytes in 2 files"
[ "$(stat -c %s "$work/pc/02 Theme.mp3")" = 40000 ] || fail "wrong size"

# The other way: the PC file under the cursor moved to the player.
keys Tab Down Down Down Down Down
keys F6
wait_for "Rename or move \"Upload me.mp3\" to:"
on_screen "DAVU player:" || fail "FAR's dialog does not name the player"
keys Enter
wait_for "Move the selected files to the player?"
keys Enter
wait_until "the PC file moved" test ! -e "$work/pc/Upload me.mp3"
wait_until "the file in the player's store" player_has "Upload me.mp3"
wait_for "Upload me.mp3"

# Shift+F7 on the player's panel asks before formatting; Escape cancels.
keys Tab S-F7
wait_for "Format this memory?"
keys Escape
wait_gone "Format this memory?"
player_has "01 Intro.mp3" || fail "the cancelled format removed files"

# F10 asks, Enter quits.
keys F10
wait_for "Do you want to quit"
keys Enter
poll "$wait_limit" test -f "$work/exit" || fail "farhost did not end"
grep -qx "exit=0" "$work/exit" || fail "farhost $(cat "$work/exit")"
echo "interactive host: all steps passed"
