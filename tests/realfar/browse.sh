#!/usr/bin/env bash
# The player's panel in a real FAR: opened from both disk menus and
# the plug-ins menu, the Full view, the info panel, F3, help and a link,
# the memory switch, the play order, reconnect, Ctrl+R, ".." and F10.
#   browse.sh ROOT BUILD HOST
set -uo pipefail
source "$(dirname "$0")/realfar_lib.sh"
realfar_begin browse "$1" "$2" "$3"

notes="These notes came from the player"
mkdir -p "$work/pc/Music" "$work/stage/in" "$work/stage/ex"
head -c 1500000 /dev/zero >"$work/pc/Music/Morning.mp3"
head -c 512 /dev/zero >"$work/stage/in/Config.dat"
head -c 1800000 /dev/zero >"$work/stage/in/01 Intro.mp3"
head -c 2400000 /dev/zero >"$work/stage/in/02 Theme.mp3"
printf '%s\r\n' "$notes" >"$work/stage/in/Notes.txt"
head -c 1500000 /dev/zero >"$work/stage/ex/Track 1.mp3"
head -c 1200000 /dev/zero >"$work/stage/ex/Podcast.wma"
make_player
put_files internal "$work/stage/in" Config.dat "01 Intro.mp3" "02 Theme.mp3" Notes.txt
put_files external "$work/stage/ex" "Track 1.mp3" Podcast.wma
internal_free=$((16777216 - 512 - 1800000 - 2400000 - $(pc_size "$work/stage/in/Notes.txt")))
note "player made"

start_far "$work/pc/Music" "$work/pc"

# Alt+F1: the left disk menu lists the player; its digit opens it there.
disk_menu left
open_from_disk_menu left
wait_shows left title_of "$(msg 26)"
wait_shows left screen_half "02 Theme.mp3"
shot listing

# Ctrl+L: the info panel on the right: the version and the memory figures.
key C-l
wait_for "$(msg 28)"
for text in "DAVU player 1.0" "$(msg 29)" "$(msg 31)" "16777216" "50331648" \
  "$internal_free" "33554432 (32.00"; do
  wait_shows right screen_half "$text"
done
shot info
key C-l
wait_gone "$(msg 28)"

# F9, Left, Full (the third view in every FAR): the columns with sizes.
key F9
key Enter
wait_for "$(far_msg '&Full')"
key_home
key Down Down Enter
wait_shows left title_row2 "$(far_msg Size)"
# (the Full view splits the name from its extension)
[[ $(grep -F "Config" <<<"$(screen_half left)") == *512* ]] ||
  fail "the Full view shows no size beside Config.dat"
shot full-view
# Back to Medium, where names show whole.
key F9
key Enter
wait_for "$(far_msg '&Medium')"
key_home
key Down Enter
wait_shows left screen_half "Notes.txt"
note "opened with Alt+F1; info panel; Full view"

# F3 on a player file: FAR's viewer shows it.
cursor_to left Notes.txt
key F3
wait_for "$notes"
shot viewer
key F10
wait_shows left title_of "$(msg 26)"
note "F3 viewed a player file"

# F1: the plug-in's help. FAR marks its first link; Tab goes to the
# second, Enter follows it.
hlf=$work/far/Plugins/DAVUman/DAVUman$lang.hlf
help_title="$(far_msg Help) - $(hlf_line "$hlf" '^\.PluginContents=' | sed 's/^[^=]*=//')"
key F1
wait_for "$help_title"
contents_words=$(topic_words "$hlf" Contents)
wait_for "$contents_words"
link=$(iconv -f CP866 -t UTF-8 "$hlf" | tr -d '\r' | sed -n '/^@Contents/,/^@[^C]/p' |
  grep -o '~[^~]*~@[^@]*@' | sed -n 2p | sed 's/.*~@\(.*\)@/\1/')
key Tab
key Enter
wait_for "$(topic_words "$hlf" "$link")"
wait_gone "$contents_words"
shot help-link
key Escape
wait_gone "$help_title"
note "help and the link to $link"

# F7: the memory card.
key F7
wait_shows left title_of "$(msg 27)"
wait_shows left screen_half "Podcast.wma"
shot card

# The play order: Shift+F2 moves Track 1.mp3 down, Shift+F1 back up,
# Shift+F3 to position 2 (the dialog's field holds the position).
cursor_to left "Track 1.mp3"
key S-F2
poll 60 first_on external "Podcast.wma" || fail "Shift+F2 did not move the file down"
cursor_to left "Track 1.mp3"
key S-F1
poll 60 first_on external "Track 1.mp3" || fail "Shift+F1 did not move the file up"
cursor_to left "Track 1.mp3"
before=$(screen)
key S-F3
poll 30 screen_changed "$before" || fail "Shift+F3 showed no dialog"
shot move-to
key C-y 2 Enter
poll 60 first_on external "Podcast.wma" || fail "Shift+F3 did not move the file to 2"
note "play order: Shift+F1, F2, F3"

# Shift+F9 connects again: the library is made anew and the panel stays.
ctl log "$player" --clear >/dev/null
key S-F9
poll 60 player_log_has "CUSBCTRL" || fail "Shift+F9 did not connect again"
wait_shows left screen_half "Podcast.wma"

# Ctrl+R after a file appears on the player.
head -c 777777 /dev/zero >"$work/stage/ex/New song.mp3"
put_files external "$work/stage/ex" "New song.mp3"
key C-r
wait_shows left screen_half "New song.mp3"
shot reread
note "Shift+F9 reconnected; Ctrl+R reread"

# ".." closes the panel.
key_home
key Enter
wait_shows left screen_half "Morning.mp3"
shows left title_of "DAVU" && fail "the panel did not close"

# F11: the plug-ins menu opens it too.
key F11
wait_for "$(far_msg 'Plugin commands')"
wait_for "$(msg 0)"
key Enter
wait_shows left title_of "DAVU"
wait_shows left screen_half "Config.dat"
shot plugins-menu
key_home
key Enter
wait_shows left screen_half "Morning.mp3"
note "F11 opened it; '..' closed it"

# Alt+F2: on the right; F10 leaves FAR with the panel open.
player_on_right
wait_shows right screen_half "Notes.txt"
shot right-panel
quit_far
