#!/usr/bin/env bash
# FAR's own keys on the player's panel in a real FAR, on memories of 2 GiB:
# the info panel's figures, F4 and save, Ctrl+Q with keys typed while a
# file comes over, Alt+F7 with a text and Escape during it, two player
# panels (F5 and F6 from memory to memory), and the card taken out (F7,
# Shift+F7).
#   keys.sh ROOT BUILD HOST
set -uo pipefail
source "$(dirname "$0")/realfar_lib.sh"
realfar_begin keys "$1" "$2" "$3"

notes="These notes came from the player"
mkdir -p "$work/pc/Music" "$work/stage"
head -c 900000 /dev/zero >"$work/pc/Music/Morning.mp3"
for f in "01 Intro.mp3 1000000" "02 Theme.mp3 1000000" "04 Outro.mp3 1000000"; do
  head -c "${f##* }" /dev/zero >"$work/stage/${f% *}"
done
# The text the search looks for, in the second file only.
printf 'needle\r\n' >>"$work/stage/02 Theme.mp3"
printf '%s\r\n' "$notes" >"$work/stage/03 Notes.txt"
head -c 700000 /dev/zero >"$work/stage/Track 1.mp3"
ctl init "$player" --internal 2147483647 --external 2147483647 \
  --version "DAVU player 1.0" >/dev/null || fail "playerctl init"
put_files internal "$work/stage" "01 Intro.mp3" "02 Theme.mp3" "03 Notes.txt" \
  "04 Outro.mp3"
put_files external "$work/stage" "Track 1.mp3"
internal_order="01 Intro.mp3
02 Theme.mp3
03 Notes.txt
04 Outro.mp3"
note "player made"

start_far "$work/pc/Music" "$work/pc"
disk_menu left
open_from_disk_menu left
wait_shows left title_of "$(msg 26)"
wait_shows left screen_half "04 Outro.mp3"

# Ctrl+L: two memories of 2 GiB each, every figure unsigned.
key C-l
wait_for "$(msg 28)"
wait_shows right screen_half "4294967294 (4096.00 Mb)"
wait_shows right screen_half "2147483647 (2048.00 Mb)"
shot info-2gib
key C-l
wait_gone "$(msg 28)"
note "Ctrl+L: 4294967294 bytes in both memories"

# F4, a change, F2, Esc: the edited file goes back with no question, in
# its place in the play order.
cursor_to left "03 Notes.txt"
key F4
wait_for "$notes"
key C-End
key -l " edited"
key F2
key Escape
wait_shows left title_of "$(msg 26)"
not_on_screen "$(msg 16)" || fail "F4's save asked to copy"
# (Ctrl+End: the empty line after the last line break)
poll 60 player_text_is "03 Notes.txt" "$notes"$'\n'" edited" ||
  fail "the edited file is not on the player: $(player_text "03 Notes.txt")"
[ "$(player_names internal)" = "$internal_order" ] ||
  fail "the edited file moved in the play order: $(player_names internal)"
shot edited
note "F4: saved back, in its place"

# Transfers slow enough to type into: about 2.5 s a file.
ctl set "$player" rate 400000 >/dev/null

# Ctrl+Q on the first file, and three Downs typed at once while it comes
# over: the quick view follows every one, the cursor ends on the fourth
# file, and no progress box comes up over FAR's screen.
cursor_to left "01 Intro.mp3"
key C-q
key Down Down Down
saw_box=
for ((i = 0; i < 60; i++)); do
  on_screen "$(progress_text 72)" && saw_box=1
  shows left status_of "04 Outro.mp3" && break
  sleep 0.5
done
[ -z "$saw_box" ] || fail "a progress box came up over the quick view"
wait_shows left status_of "04 Outro.mp3"
wait_for "$(far_msg 'Quick view')"
shot quick-view
key C-q
wait_gone "$(far_msg 'Quick view')"
note "Ctrl+Q: keys typed meanwhile all reached FAR"

# Alt+F7 for a text: Escape while a file comes over brings FAR's question,
# which stays until it is answered.
key M-F7
wait_for "$(far_msg 'Find file')"
key Tab
key -l needle
key Enter
sleep 1
key Escape
wait_for "$(far_msg 'Do you really want to cancel it?')"
sleep 4 # the copy under way ends meanwhile
on_screen "$(far_msg 'Do you really want to cancel it?')" ||
  fail "FAR's question was wiped while it waited"
shot find-question
key Enter
wait_gone "$(far_msg 'Do you really want to cancel it?')"
# Until the search's dialog closes: Escape, and Yes whenever FAR asks again
# (FAR 3 finishes the file under way before it stops).
for ((i = 0; i < 20; i++)); do
  on_screen "$(far_msg 'Find file')" || break
  if on_screen "$(far_msg 'Do you really want to cancel it?')"; then
    key Enter
  else
    key Escape
  fi
  sleep 2
done
wait_gone "$(far_msg 'Find file')"
note "Alt+F7: FAR's question stayed until answered"
ctl set "$player" rate 0 >/dev/null

# Two player panels: the card on the right; F5 from the internal memory to
# it, F6 from it back.
player_on_right
key Tab
key F7
wait_shows right title_of "$(msg 27)"
key Tab
# answer_put DONE...: the plug-in's question, when the copy towards it
# asks one (a move between panels of a plug-in is a copy, then a delete).
answer_put() {
  local i
  for ((i = 0; i < 40; i++)); do
    if on_screen "$(msg 16)" || on_screen "$(msg 17)"; then
      key Enter
      return
    fi
    "$@" && return
    sleep 0.5
  done
}
cursor_to left "01 Intro.mp3"
key F5
wait_for "$(far_lead "$(host_value one)" "01 Intro.mp3")"
key Enter
answer_put player_has external "01 Intro.mp3"
poll 60 player_has external "01 Intro.mp3" || fail "F5 to the card sent nothing"
player_has internal "01 Intro.mp3" || fail "F5 took the file off the internal memory"
wait_shows right screen_half "01 Intro.mp3"
key Tab
cursor_to right "Track 1.mp3"
key F6
wait_for "$(far_lead "$(host_value move)" "Track 1.mp3")"
key Enter
answer_put player_has internal "Track 1.mp3"
poll 60 player_has internal "Track 1.mp3" || fail "F6 to the internal memory sent nothing"
poll 60 player_lacks external "Track 1.mp3" || fail "F6 left the file on the card"
shot memory-to-memory
note "F5 and F6 from memory to memory"

# The card taken out: Shift+F7 on its panel says so, and the panel goes to
# the internal memory; F7 says so and stays there.
ctl set "$player" card absent >/dev/null
key S-F7
wait_for "$(msg 85)"
shot no-card
key Enter
wait_shows right title_of "$(msg 26)"
key F7
wait_for "$(msg 85)"
key Enter
wait_gone "$(msg 85)"
shows right title_of "$(msg 26)" || fail "F7 without a card left the internal memory"
note "no card: Shift+F7 and F7 say so"
quit_far
