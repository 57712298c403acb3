#!/usr/bin/env bash
# The configuration dialog in the real FAR 1.70 (F9, Options, Plugins
# configuration): the disk-menu entry off, on again with a hot key, and the
# setting held after FAR restarts.
#   config.sh ROOT BUILD
set -uo pipefail
source "$(dirname "$0")/realfar_lib.sh"
realfar_begin config "$1" "$2"

mkdir -p "$work/pc/Music" "$work/stage"
head -c 1500000 /dev/zero >"$work/pc/Music/Morning.mp3"
head -c 1800000 /dev/zero >"$work/stage/01 Intro.mp3"
make_player
put_files internal "$work/stage" "01 Intro.mp3"

# F9, Options (the fourth title of the bar), its fifth item.
open_config() {
  key F9
  key Right Right Right Enter
  wait_for "$(far_msg 1029)"
  key Down Down Down Down Enter
  wait_for "$(far_msg 1362)"
  wait_for "$(msg 0)"
  key Enter
  wait_for "$(msg 2)"
}

start_far "$work/pc/Music" "$work/pc"
key M-F1
wait_for "$(far_msg 1061)"
wait_for "$(msg 1)"
key Escape
wait_gone "$(far_msg 1061)"

# Off: the check box has the focus; Space clears it, Enter is OK.
open_config
shot config-dialog
key Space Enter
wait_gone "$(msg 2)"
key Escape # FAR's list of plug-ins
wait_gone "$(far_msg 1362)"
key M-F1
wait_for "$(far_msg 1061)"
shot disk-menu-without
on_screen "$(msg 1)" && fail "the disk menu still lists the player"
key Escape
wait_gone "$(far_msg 1061)"
note "disk-menu entry off"

# On again, with hot key 5.
open_config
key Space Tab 5 Enter
wait_gone "$(msg 2)"
key Escape
wait_gone "$(far_msg 1362)"
key M-F1
wait_for "5: $(msg 1)"
shot disk-menu-hot-key
key Escape
wait_gone "$(far_msg 1061)"
note "disk-menu entry on, hot key 5"
quit_far

# A new FAR of the same user: the entry and its hot key are held.
start_far "$work/pc/Music" "$work/pc"
key M-F1
wait_for "5: $(msg 1)"
key 5
wait_shows left title_of "$(msg 26)"
wait_shows left screen_half "01 Intro.mp3"
shot after-restart
note "held after the restart"
quit_far
