#!/usr/bin/env bash
# The configuration dialog in a real FAR (Alt+Shift+F9): the disk-menu
# entry off, on again with a hot key, and the setting held after FAR
# restarts. FAR 3 gives the entry its own hot key and never reads the
# plug-in's: there the setting is stored and held, and the entry keeps
# FAR's letter.
#   config.sh ROOT BUILD HOST
set -uo pipefail
source "$(dirname "$0")/realfar_lib.sh"
realfar_begin config "$1" "$2" "$3"

mkdir -p "$work/pc/Music" "$work/stage"
head -c 1500000 /dev/zero >"$work/pc/Music/Morning.mp3"
head -c 1800000 /dev/zero >"$work/stage/01 Intro.mp3"
make_player
put_files internal "$work/stage" "01 Intro.mp3"

config_menu=$(far_msg 'Plugins configuration')
# Alt+Shift+F9 on a PC panel: FAR 1.x lists the configurable plug-ins
# first; FAR 3 opens the only one's dialog at once.
open_config() {
  key M-S-F9
  poll "$wait_limit" on_screen_either "$(msg 2)" "$config_menu" ||
    fail "Alt+Shift+F9 showed neither the plug-ins nor the dialog"
  if not_on_screen "$(msg 2)"; then
    wait_for "$(msg 0)"
    key Enter
    wait_for "$(msg 2)"
  fi
}
on_screen_either() { on_screen "$1" || on_screen "$2"; }
# After the dialog: FAR 1.x's list of plug-ins is left; Escape closes it.
close_config() {
  wait_gone "$(msg 2)"
  if on_screen "$config_menu"; then
    key Escape
    wait_gone "$config_menu"
  fi
}
stored_hot_key() {
  env "${wine_env[@]}" wine reg query "$(plugin_settings_key)" /v DiskMenuHotKey 2>/dev/null |
    tr -d '\r' | awk '$1 == "DiskMenuHotKey" { print $3 }'
}
# The entry with hot key 5: FAR 1.x shows the plug-in's digit; FAR 3 its
# own letter, with the 5 kept in the plug-in's settings.
expect_hot_key_5() {
  if [ "$(host_value keys)" = digits ]; then
    wait_for "5: $(msg 1)"
  else
    wait_for "$(msg 1)"
    [ "$(disk_entry_key)" != 5 ] || fail "FAR 3 took the plug-in's hot key"
    [ "$(stored_hot_key)" = 5 ] || fail "the hot key 5 is not stored: $(stored_hot_key)"
  fi
}

start_far "$work/pc/Music" "$work/pc"
disk_menu left
wait_for "$(msg 1)"
key Escape
wait_gone "$(far_msg "$(host_value drive)")"

# Off: the check box has the focus; Space clears it, Enter is OK.
open_config
shot config-dialog
key Space Enter
close_config
disk_menu left
shot disk-menu-without
on_screen "$(msg 1)" && fail "the disk menu still lists the player"
key Escape
wait_gone "$(far_msg "$(host_value drive)")"
note "disk-menu entry off"

# On again, with hot key 5.
open_config
key Space Tab 5 Enter
close_config
disk_menu left
expect_hot_key_5
shot disk-menu-hot-key
key Escape
wait_gone "$(far_msg "$(host_value drive)")"
note "disk-menu entry on, hot key 5"
quit_far

# A new FAR of the same user: the entry and its hot key are held.
start_far "$work/pc/Music" "$work/pc"
disk_menu left
expect_hot_key_5
open_from_disk_menu left
wait_shows left title_of "$(msg 26)"
wait_shows left screen_half "01 Intro.mp3"
shot after-restart
note "held after the restart"
quit_far
