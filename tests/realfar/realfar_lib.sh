# Sourced by the walks of this folder: a real FAR under 32-bit Wine in a
# detached tmux session, a simulated player, the texts the screen must show
# (read from the language files), and bounded waits.
#
#   source realfar_lib.sh; realfar_begin NAME ROOT BUILD HOST
#
# HOST is one of the FARs of realfar_hosts.sh; its folder comes from that
# FAR's variable (FAR170_DIR, FAR175_DIR, FAR3_DIR). Without it the walk
# exits 77 (CTest's skip) and says how to give one. The walk's folder
# (BUILD/realfar/HOST-NAME: FAR, the player, the screens) is removed when
# every step passed, unless REALFAR_KEEP is set. LANG=ru_RU.* (the Russian
# test pass) runs FAR and the plug-in in Russian and expects the Russian
# texts.

realfar_skip=77
# Seconds one step may take: Wine under QEMU on a busy machine is slow.
wait_limit=${REALFAR_WAIT:-240}
cols=100
rows=30 # until the host is known

winpath() { printf 'Z:%s' "$1" | tr / '\\'; }
source "$(dirname "${BASH_SOURCE[0]}")/realfar_hosts.sh"
note() { printf '[%4d s] %s\n' "$((SECONDS - walk_start))" "$*"; }

realfar_begin() {
  walk_name=$1
  root=$2
  build=$3
  walk_start=$SECONDS
  host_of_walk "$4"
  rows=$(host_value rows)
  for tool in tmux iconv; do
    command -v "$tool" >/dev/null || {
      echo "$tool is missing (scripts/setup.sh installs it)"
      exit 1
    }
  done

  work=$build/realfar/$host-$walk_name
  rm -rf "$work"
  mkdir -p "$work/screens" "$work/player" "$work/pc"
  sock=realfar-$host-$walk_name-$$
  trap realfar_end EXIT
  # A text looked up in a command substitution that fails stops the walk.
  trap 'fail "see the line above"' USR1
  shots=0

  lang=Eng
  case "${LANG:-}" in ru_RU*) lang=Rus ;; esac
  mapfile -t plugin_text < <(lng_strings "$build/plugin/DAVUman/DAVUman$lang.lng")
  mapfile -t far_text < <(lng_strings "$far_source/Far$lang.lng")
  mapfile -t far_english < <(lng_strings "$far_source/FarEng.lng")
  [ "${#plugin_text[@]}" -gt 67 ] && [ "${#far_text[@]}" -gt 1700 ] &&
    [ "${#far_text[@]}" = "${#far_english[@]}" ] ||
    fail "language files unreadable"

  far=$work/far
  mkdir -p "$far/Plugins/DAVUman"
  cp "$far_source"/* "$far/" 2>/dev/null || true
  cp "$build"/plugin/DAVUman/* "$far/Plugins/DAVUman/"
  cp "$build/bin/USBCTRL.dll" "$far/Plugins/DAVUman/"

  wine_env=(WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEARCH=win32
    WINEDLLOVERRIDES="mscoree,mshtml=")
  for v in LANG LC_ALL LOCPATH TZ; do
    [ -n "${!v:-}" ] && wine_env+=("$v=${!v}")
  done
  # The walk's own text handling counts characters, not bytes.
  export LC_ALL=C.UTF-8
  make_prefix
  player=$(winpath "$work/player")
  user=walk$$
  mkdir -p "$work/profile"
  far_language
  note "$host_name: set up ($lang)"
}

# One Wine prefix per test pass (the path follows DAVU_WINE_PREFIX) serves as
# the template; each walk runs in a hard-linked copy of it, with its own
# registry files, so the walks can run side by side.
make_prefix() {
  local template=${DAVU_WINE_PREFIX:-$build/wineprefix}-realfar
  (
    flock 9
    if [ ! -f "$template/.realfar-ready" ]; then
      rm -rf "$template"
      env "${wine_env[@]/#WINEPREFIX=*/WINEPREFIX=$template}" sh -c '
        wineboot -i >/dev/null 2>&1
        wine reg add "HKCU\\Software\\Wine\\Drivers" /v Graphics /d null /f >/dev/null 2>&1
        wineserver -w'
      touch "$template/.realfar-ready"
    fi
  ) 9>"$template.lock"
  cp -al "$template" "$work/prefix"
  local reg
  for reg in "$work"/prefix/*.reg; do
    cp --remove-destination "$template/${reg##*/}" "$reg"
  done
}

# msg N: the plug-in's message N.
msg() { printf '%s' "${plugin_text[$1]}"; }
# The text of a message up to its first "(" or "%": what stays whatever
# the figures are.
msg_head() {
  local text=${plugin_text[$1]%%(*}
  printf '%s' "${text%%%*}"
}

# The progress box's title (68, 69) and line heads (72, 73). A plug-in
# built before these texts were in its language files shows them in
# English whatever the language.
progress_text() {
  if [ "${#plugin_text[@]}" -gt 68 ]; then
    case $1 in 68 | 69) msg "$1" ;; *) msg_head "$1" ;; esac
    return
  fi
  case $1 in 68) echo Upload ;; 69) echo Download ;; 72) echo Uploading ;; 73) echo Downloading ;; esac
}

# --- FAR in tmux
# start_far LEFT RIGHT: FAR with both panels on PC folders.
start_far() {
  rm -f "$work/far-exit"
  local cmd
  cmd=$(printf '%q ' cd "$1")
  cmd+="&& env $(printf '%q ' "${wine_env[@]}" DAVU_PLAYER="$player")"
  local switches
  mapfile -t switches < <(far_switches "$1" "$2")
  cmd+="wine $(printf '%q ' "$far/Far.exe" "${switches[@]}")"
  cmd+="2>>$(printf '%q' "$work/wine-stderr.log"); echo \$? >$(printf '%q' "$work/far-exit"); sleep 3600"
  tmux -L "$sock" -f /dev/null new-session -d -s far -x "$cols" -y "$rows" "$cmd"
  wait_for "$(far_msg Quit)" # F10's label on the key bar: FAR is up
  on_screen "$(far_msg "$(host_value error)")" && fail "FAR could not load a plug-in module"
  note "$host_name started"
}

# quit_far: F10, the question, Enter; FAR must exit with 0.
quit_far() {
  key F10
  wait_for "$(far_msg "$(host_value quit)")"
  key Enter
  poll "$wait_limit" test -f "$work/far-exit" || fail "FAR did not exit"
  [ "$(cat "$work/far-exit")" = 0 ] || fail "FAR exited with $(cat "$work/far-exit")"
  tmux -L "$sock" kill-server 2>/dev/null
  env "${wine_env[@]}" wineserver -w
  note "$host_name exited with 0"
}

realfar_end() {
  local status=$?
  tmux -L "$sock" kill-server >/dev/null 2>&1
  [ -n "${work:-}" ] && [ -d "$work/prefix" ] &&
    env "${wine_env[@]}" wineserver -k >/dev/null 2>&1
  if [ "$status" -eq 0 ]; then
    [ -n "${REALFAR_KEEP:-}" ] || rm -rf "$work"
    note "$walk_name in $host_name: all steps passed"
  fi
}

screen() { tmux -L "$sock" capture-pane -p -t far 2>/dev/null; }
key() {
  tmux -L "$sock" send-keys -t far "$@"
  sleep 0.3
}
# Home and End reach FAR only as these sequences.
key_home() { key -l $'\e[H'; }
key_end() { key -l $'\e[F'; }
shot() {
  shots=$((shots + 1))
  screen >"$work/screens/$(printf %02d "$shots")-$1.txt"
}
fail() {
  if [ "$BASH_SUBSHELL" -gt 0 ]; then
    echo "FAIL: $*" >&2
    kill -USR1 $$
    exit 1
  fi
  echo "FAIL ($host_name): $*"
  echo "--- screen:"
  screen
  echo "--- Wine's error output (last lines, FAR's drive queries left out):"
  grep -v "Read access denied" "$work/wine-stderr.log" 2>/dev/null | tail -5
  exit 1
}

# poll SECONDS COMMAND...: until the command succeeds; false at the limit.
poll() {
  local deadline=$((SECONDS + $1))
  shift
  until "$@"; do
    [ "$SECONDS" -lt "$deadline" ] || return 1
    sleep 0.2
  done
}
# The walks run with pipefail: a grep -q that stops reading early would
# fail the command writing into it, so each text is read whole first.
has_text() { grep -qF -- "$2" <<<"$1"; }
on_screen() { has_text "$(screen)" "$1"; }
not_on_screen() { ! on_screen "$1"; }
wait_for() {
  local from=$SECONDS
  poll "${2:-$wait_limit}" on_screen "$1" || fail "\"$1\" not on the screen"
  [ $((SECONDS - from)) -lt 10 ] || note "(waited $((SECONDS - from)) s for \"$1\")"
}
wait_gone() { poll "${2:-$wait_limit}" not_on_screen "$1" || fail "\"$1\" still on the screen"; }
# The left or right half of screen row N (1-based).
half() {
  local line
  line=$(screen | sed -n "$2p")
  if [ "$1" = left ]; then printf '%s' "${line:0:cols/2}"; else printf '%s' "${line:cols/2}"; fi
}
# The panel titles are on row 1; the name under the cursor on the status
# row; the selection summary on the separator row above it.
title_of() { half "$1" 1; }
title_row2() { half "$1" 2; }
screen_half() { screen | while IFS= read -r l; do
  if [ "$1" = left ]; then printf '%s\n' "${l:0:cols/2}"; else printf '%s\n' "${l:cols/2}"; fi
done; }
status_of() { half "$1" $((rows - 3)); }
selection_of() { half "$1" $((rows - 4)); }
shows() { has_text "$("$2" "$1")" "$3"; } # shows SIDE WHAT TEXT
not_shows() { ! shows "$@"; }
wait_shows() {
  local from=$SECONDS
  poll "${4:-$wait_limit}" shows "$1" "$2" "$3" || fail "$2 of the $1 panel lacks \"$3\""
  [ $((SECONDS - from)) -lt 10 ] || note "(waited $((SECONDS - from)) s for \"$3\")"
}
wait_not_shows() {
  poll "${4:-$wait_limit}" not_shows "$1" "$2" "$3" || fail "$2 of the $1 panel still shows \"$3\""
}
screen_changed() { [ "$(screen)" != "$1" ]; }
# cursor_to SIDE NAME: Home, then Down until the status row names NAME;
# each key waits for the status row to change.
cursor_to() {
  local i last
  key_home
  poll 10 shows "$1" status_of ".." || fail "Home did not reach \"..\""
  for ((i = 0; i < rows; i++)); do
    shows "$1" status_of "$2" && return 0
    last=$(status_of "$1")
    key Down
    poll 10 status_moved "$1" "$last" || break
  done
  fail "no \"$2\" in the $1 panel"
}
status_moved() { [ "$(status_of "$1")" != "$2" ]; }
# disk_menu SIDE: Alt+F1 or Alt+F2, and the menu's title.
disk_menu() {
  if [ "$1" = left ]; then key M-F1; else key M-F2; fi
  wait_for "$(far_msg "$(host_value drive)")"
}
# disk_entry_key: the hot key the open disk menu shows beside the player's
# entry: FAR 1.x's digit ("0: DAVU player", the plug-in's number where it
# gives one), FAR 3's own letter ("A    DAVU player").
disk_entry_key() {
  local pattern="[0-9]: $(msg 1)"
  [ "$(host_value keys)" = letters ] && pattern="[A-Z0-9] \+$(msg 1)"
  screen | grep -o -- "$pattern" | head -1 | cut -c1
}
# open_from_disk_menu SIDE: the player from the open disk menu: by its
# digit in FAR 1.x; in FAR 3, whose letter keys arrive there as Alt+letter
# under Wine's console, as its last entry.
open_from_disk_menu() {
  wait_for "$(msg 1)"
  local hot
  hot=$(disk_entry_key)
  [ -n "$hot" ] || fail "the disk menu entry has no hot key"
  if [ "$(host_value keys)" = letters ]; then
    key_end
    key Enter
  else
    key "$hot"
  fi
}
# player_on_right: Alt+F2 and the player's entry; its panel shows on the
# right with the internal memory.
player_on_right() {
  disk_menu right
  open_from_disk_menu right
  wait_shows right title_of "$(msg 26)"
}
# The lines between the frame of the box whose top line holds TITLE.
box_text() {
  local line top= left right rest
  while IFS= read -r line; do
    if [ -z "$top" ]; then
      [[ $line == *"$1"* && $line == *╔* ]] || continue
      top=1
      rest=${line%%╔*}
      left=${#rest}
      rest=${line%╗*}
      right=${#rest}
      continue
    fi
    [ "${line:left:1}" = ╚ ] && break
    printf '%s\n' "${line:left+1:right-left-1}"
  done < <(screen)
}

box_has() { has_text "$(box_text "$1")" "$2"; }
# wait_box TITLE TEXT: the box is drawn line by line.
wait_box() { poll 30 box_has "$1" "$2" || fail "the box \"$1\" lacks \"$2\""; }

# --- the help file
hlf_text() { iconv -f CP866 -t UTF-8 "$1" | tr -d '\r'; }
hlf_line() { hlf_text "$1" | grep -m1 -- "$2"; }
# The first three words of a topic's first paragraph, as FAR shows them
# (highlight marks and link targets dropped).
topic_words() {
  hlf_text "$1" | sed -n "/^@$2\$/,/^@/p" | sed -n '3p' |
    sed 's/~\([^~]*\)~@[^@]*@/\1/g; s/#//g; s/^ *//' | cut -d' ' -f1-3
}

# --- the simulated player
ctl() { env "${wine_env[@]}" wine "$build/bin/playerctl.exe" "$@" 2>>"$work/wine-stderr.log"; }
player_list() { ctl list "$player" | tr -d "\r"; }
# player_names MEMORY: the names on internal or external, in play order.
player_names() {
  player_list | awk -v m="$1:" '/^[a-z]+:/ { cur = $1; next }
    cur == m && /"$/ { s = $0; sub(/^[^"]*"/, "", s); sub(/"$/, "", s); print s }'
}
player_has() { grep -qxF -- "$2" <<<"$(player_names "$1")"; }
# player_text NAME [MEMORY]: the contents of a player file, CRs dropped.
player_text() {
  local index
  index=$(player_list | awk -v m="${2:-internal}:" -v n="\"$1\"" \
    '/^[a-z]+:/ { cur = $1; next }
     cur == m && substr($0, length($0) - length(n) + 1) == n { print $2 }')
  [ -n "$index" ] || return 1
  ctl get "$player" "${2:-internal}" "$index" "$(winpath "$work/got.tmp")" >/dev/null &&
    tr -d '\r' <"$work/got.tmp"
}
player_text_is() { [ "$(player_text "$1")" = "$2" ]; }
player_lacks() { ! player_has "$1" "$2"; }
# Nothing but the player's own Config.dat left.
player_empty() { [ "$(player_names internal; player_names external)" = Config.dat ]; }
first_on() { [ "$(player_names "$1" | head -1)" = "$2" ]; }
player_log_has() { has_text "$(ctl log "$player")" "$1"; }
make_player() {
  ctl init "$player" --internal 16777216 --external 33554432 \
    --version "DAVU player 1.0" >/dev/null || fail "playerctl init"
}
# put_files MEMORY FOLDER NAME...: the PC files onto the memory, in order.
put_files() {
  local memory=$1 folder=$2 name paths=()
  shift 2
  for name in "$@"; do paths+=("$(winpath "$folder/$name")"); done
  ctl put "$player" "$memory" "${paths[@]}" >/dev/null || fail "playerctl put $*"
}

# --- the PC side
pc_size() { stat -c %s "$1" 2>/dev/null; }
has_size() { [ "$(pc_size "$1")" = "$2" ]; }
expect_size() { poll 30 has_size "$1" "$2" || fail "$1: size $(pc_size "$1"), not $2"; }
