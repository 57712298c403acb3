#!/usr/bin/env bash
# Copies and moves in a real FAR, both ways: F5/F6 from the player
# with the progress box, Escape during a copy, a copy the player fails
# half-way, Shift+F5/F6 for everything, FAR's own Copy dialog towards the
# player with a folder and a playlist, F8, Shift+F7 and Shift+F8.
#   transfers.sh ROOT BUILD HOST
set -uo pipefail
source "$(dirname "$0")/realfar_lib.sh"
realfar_begin transfers "$1" "$2" "$3"

music=$work/pc/Music
mkdir -p "$music/Road trip" "$work/stage/in" "$work/stage/ex"
head -c 2000000 /dev/zero >"$music/Morning.mp3"
head -c 1500000 /dev/zero >"$music/Evening.mp3"
head -c 700000 /dev/zero >"$music/Single.mp3"
head -c 900000 /dev/zero >"$music/Road trip/01 Highway.mp3"
printf '#EXTM3U\r\nMorning.mp3\r\nEvening.mp3\r\n' >"$music/party.m3u"
# An older PC file of the name a cancelled copy brings.
head -c 1234 /dev/zero >"$music/03 Long road.mp3"
for f in "Config.dat 512" "01 Intro.mp3 1800000" "02 Theme.mp3 2400000" \
  "03 Long road.mp3 8000000" "04 Outro.mp3 1100000" "Voice memo.wav 960000"; do
  head -c "${f##* }" /dev/zero >"$work/stage/in/${f% *}"
done
head -c 1500000 /dev/zero >"$work/stage/ex/Track 1.mp3"
head -c 1200000 /dev/zero >"$work/stage/ex/Podcast.wma"
make_player
put_files internal "$work/stage/in" Config.dat "01 Intro.mp3" "02 Theme.mp3" \
  "03 Long road.mp3" "04 Outro.mp3" "Voice memo.wav"
put_files external "$work/stage/ex" "Track 1.mp3" Podcast.wma
# Slow enough to watch the progress box, and to press Escape in it.
ctl set "$player" rate 2000000 >/dev/null
note "player made"

start_far "$music" "$work/pc"
player_on_right
key Tab
wait_for "7$(msg 35)" # the player's F7 label: its panel is active

# F5 on two selected files: the question, the progress box, the files.
cursor_to right "01 Intro.mp3"
key Insert Insert
key F5
wait_for "$(msg 13)"
shot copy-question
key Enter
wait_for "$(progress_text 72)" 30
on_screen "$(progress_text 68)" || fail "the progress box lacks its title"
shot copy-progress
wait_gone "$(progress_text 72)"
expect_size "$music/01 Intro.mp3" 1800000
expect_size "$music/02 Theme.mp3" 2400000
note "F5: two files copied to the PC"

# F6 on the file under the cursor: on the PC, gone from the player.
cursor_to right "Voice memo.wav"
key F6
wait_for "$(msg 14)"
key Enter
expect_size "$music/Voice memo.wav" 960000
poll 30 player_lacks internal "Voice memo.wav" || fail "the moved file is still on the player"
wait_not_shows right screen_half "Voice memo.wav"
note "F6: moved to the PC"

# Escape during a copy: the partial file goes, the older PC file stays.
files_before=$(ls "$music" | sort)
cursor_to right "03 Long road.mp3"
key F5
wait_for "$(msg 13)"
key Enter
wait_for "$(progress_text 72)" 30
key Escape
wait_gone "$(progress_text 72)"
expect_size "$music/03 Long road.mp3" 1234
[ "$(ls "$music" | sort)" = "$files_before" ] || fail "a cancelled copy left a file: $(ls "$music")"
shot cancelled
note "Escape: copy cancelled, older PC file kept"

# The player fails the second of two files half-way: the box names it,
# no part of it stays on the PC, and it stays selected; F5 again brings it.
ctl fail "$player" Upload --nth 2 >/dev/null
cursor_to right "02 Theme.mp3"
key Insert
cursor_to right "04 Outro.mp3"
key Insert
key F5
wait_for "$(msg 13)"
key Enter
wait_for "$(msg 58)"
failed_line=$(printf "$(msg 59)" 1 2)
wait_box "$(msg 58)" "$failed_line"
wait_box "$(msg 58)" "04 Outro.mp3"
shot failure
key Enter
wait_gone "$(msg 58)"
[ ! -e "$music/04 Outro.mp3" ] || fail "part of the failed file stayed on the PC"
if [ "$(host_value kept)" = failed ]; then
  wait_shows right selection_of "$(far_tail "$(host_value chosen)" 1 0)"
else
  wait_shows right selection_of "$(far_tail "$(host_value chosen)" 2 0)"
fi
ctl fail "$player" --clear >/dev/null
key F5
wait_for "$(msg 13)"
key Enter
expect_size "$music/04 Outro.mp3" 1100000
wait_gone "$(progress_text 72)"
note "a failed copy: named, kept selected, copied again"

# Shift+F5 copies and Shift+F6 moves everything of both memories.
rm -f "$music"/0*.mp3
key S-F5
wait_for "$(msg 20)"
key Enter
expect_size "$music/Track 1.mp3" 1500000
expect_size "$music/03 Long road.mp3" 8000000
expect_size "$music/04 Outro.mp3" 1100000
# (keys typed while a transfer runs are lost: wait for its end)
wait_gone "$(progress_text 72)"
key S-F6
wait_for "$(msg 21)"
key Enter
poll 60 player_empty || fail "Shift+F6 left files on the player: $(player_list)"
expect_size "$music/Podcast.wma" 1200000
wait_not_shows right screen_half "01 Intro.mp3"
note "Shift+F5, Shift+F6: all copied, all moved"

# Towards the player FAR's own Copy dialog comes first: a folder and a
# playlist as files, then the playlist's entries.
key Tab
cursor_to left "Road trip"
key Insert
cursor_to left "party.m3u"
key Insert
key F5
wait_for "$(far_lead "$(host_value many)" 2)"
shot far-copy-dialog
key Enter
wait_for "$(msg 16)"
key Enter
wait_for "$(progress_text 73)" 30
on_screen "$(progress_text 69)" || fail "the progress box lacks its title"
shot put-progress
wait_gone "$(progress_text 73)"
poll 60 player_has internal "01 Highway.mp3" || fail "the folder's file is not on the player"
player_has internal "party.m3u" || fail "the playlist is not on the player"
cursor_to left "party.m3u"
key F5
wait_for "$(far_lead "$(host_value one)" party.m3u)"
key Enter
wait_for "$(msg 16)"
key Tab Tab # the third button: the playlist's entries
key Enter
poll 60 player_has internal "Evening.mp3" || fail "the playlist's entries are not on the player"
player_has internal "Morning.mp3" || fail "the playlist's first entry is not on the player"
note "F5 to the player: a folder, a playlist, its entries"

# F6 to the memory card: FAR's Rename/Move dialog, then the plug-in's.
key Tab
key F7
wait_shows right title_of "$(msg 27)"
key Tab
cursor_to left "Single.mp3"
key F6
wait_for "$(far_lead "$(host_value move)" Single.mp3)"
key Enter
wait_for "$(msg 17)"
key Enter
poll 60 player_has external "Single.mp3" || fail "the moved file is not on the card"
poll 30 test ! -e "$music/Single.mp3" || fail "the moved file is still on the PC"
wait_shows right screen_half "Single.mp3"
note "F6 to the player's card"

# Shift+F7 formats the card.
key Tab
key S-F7
wait_for "$(msg 19)"
key Enter
poll 60 player_lacks external "Single.mp3" || fail "the card was not formatted"
wait_not_shows right screen_half "Single.mp3"
note "Shift+F7 formatted the card"

# F8 deletes one file; Shift+F8 all of both memories.
key F7
wait_shows right title_of "$(msg 26)"
cursor_to right "Morning.mp3"
key F8
wait_for "$(msg 18)"
key Enter
poll 60 player_lacks internal "Morning.mp3" || fail "F8 did not delete"
player_has internal "Evening.mp3" || fail "F8 deleted too much"
# The delete is over only when the panel shows its result: keys sent while
# it runs go to its Escape check, as in FAR every key typed during an
# operation does.
wait_not_shows right screen_half "Morning.mp3"
key S-F8
wait_for "$(msg 22)"
key Enter
poll 60 player_empty || fail "Shift+F8 left files: $(player_list)"
wait_not_shows right screen_half "Evening.mp3"
shot deleted-all
note "F8 and Shift+F8 deleted"
quit_far
