#!/usr/bin/env bash
# What a real FAR shows when things go wrong on the player's panel: player
# names the PC cannot have, a PC name FAR can give only with "?", a send
# that replaced a file and failed, the Shift+F3 dialog's title, a format the
# player refuses, F5 into a card that was taken out, an empty folder sent,
# and the info panel of a player that stopped answering.
#   faults.sh ROOT BUILD HOST
set -uo pipefail
source "$(dirname "$0")/realfar_lib.sh"
realfar_begin faults "$1" "$2" "$3"

music=$work/pc/Music
mkdir -p "$music/Empty" "$work/stage"
head -c 300000 /dev/zero >"$music/01 Intro.mp3"
# No OEM code page has these characters: FAR 1.x lists the file as
# "??.mp3", and FAR 3 gives it to an old plug-in so.
head -c 1000 /dev/zero >"$music/歌曲.mp3"
head -c 500000 /dev/zero >"$work/stage/01 Intro.mp3"
head -c 400000 /dev/zero >"$work/stage/02 Theme.mp3"
make_player
put_files internal "$work/stage" "01 Intro.mp3" "02 Theme.mp3"
for name in "What is love?.mp3" "Star*.mp3"; do
  ctl add "$player" internal "$name" --size 1000 >/dev/null || fail "playerctl add $name"
done
note "player made"

start_far "$music" "$work/pc"
player_on_right
key Tab
wait_for "7$(msg 35)"

# send_one NAME: F5 of the file under the cursor, through FAR's Copy dialog
# and the plug-in's question.
send_one() {
  key F5
  wait_for "$(far_lead "$(host_value one)" "$1")"
  key Enter
  wait_for "$(msg 16)"
  key Enter
}

# failure_box SHOT TEXT...: the box of what did not go lists each text;
# its picture, then OK.
failure_box() {
  local name=$1 text
  shift
  wait_for "$(msg 58)"
  for text in "$@"; do wait_box "$(msg 58)" "$text"; done
  shot "$name"
  key Enter
  wait_gone "$(msg 58)"
}

# F5 of the two names the PC cannot have: each with its true reason.
cursor_to right "What is love?.mp3"
key Insert
cursor_to right "Star*.mp3"
key Insert
key F5
wait_for "$(msg 13)"
key Enter
failure_box bad-player-names \
  "What is love?.mp3 ($(msg 63))" "Star*.mp3 ($(msg 63))"
[ -z "$(ls "$music" | grep -F -e 'love' -e 'Star')" ] || fail "a bad name reached the PC"
note "player names the PC cannot have: told"

# The Shift+F3 dialog is titled from the catalogue.
cursor_to right "02 Theme.mp3"
key S-F3
wait_for "$(msg 88)"
shot move-to-title
key Escape
wait_gone "$(msg 88)"

# A PC name FAR gives with "?": its own reason. FAR 3 shows the name as it
# is, and its wrapper gives it to the plug-in with "?".
shown="??.mp3"
[ "$host_kind" = 3 ] && shown="歌曲.mp3"
key Tab
cursor_to left "$shown"
send_one "$shown"
failure_box code-page-name "??.mp3 ($(msg 83))"
note "a name outside FAR's code page: told"

# A folder with nothing in it: the send says there is nothing to send.
cursor_to left "Empty"
send_one "Empty"
wait_for "$(msg 87)"
shot nothing-to-send
key Enter
wait_gone "$(msg 87)"
note "nothing to send: told"

# A send over a player file of its name that the player fails: the old
# file is gone, and the box says so.
ctl fail "$player" Download --nth 1 >/dev/null
cursor_to left "01 Intro.mp3"
send_one "01 Intro.mp3"
failure_box failed-replace "01 Intro.mp3 ($(msg 61); $(msg 82))"
poll 30 player_lacks internal "01 Intro.mp3" || fail "the old file is still listed"
expect_size "$music/01 Intro.mp3" 300000
ctl fail "$player" --clear >/dev/null
note "a failed replace: the old file's end told"

# A format the player refuses is told, and the files stay listed.
key Tab
ctl fail "$player" FormatInternal --result 5 >/dev/null
key S-F7
wait_for "$(msg 19)"
key Enter
wait_for "$(msg 86)"
shot format-refused
key Enter
wait_gone "$(msg 86)"
wait_shows right screen_half "02 Theme.mp3"
ctl fail "$player" --clear >/dev/null
note "a refused format: told, nothing shown as gone"

# F5 into the card after it was taken out: no card, not "no room".
key F7
wait_shows right title_of "$(msg 27)"
ctl set "$player" card absent >/dev/null
key Tab
cursor_to left "01 Intro.mp3"
send_one "01 Intro.mp3"
wait_for "$(msg 85)"
on_screen "$(msg 15)" && fail "a missing card was told as full"
shot no-card-send
key Enter
wait_gone "$(msg 85)"
note "F5 into a missing card: told"

# The player stops answering: the info panel says so, with no figures.
ctl fail "$player" GetAvailMemory --unplug >/dev/null
key Tab
key C-l
wait_shows left screen_half "$(msg 84)"
not_shows left screen_half "$(msg 29)" || fail "figures of a player that is not there"
shot unplugged-info
key C-l
note "unplugged: the info panel says not connected"
quit_far
