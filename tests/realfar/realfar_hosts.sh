# Sourced by realfar_lib.sh: the FARs the walks run in, and FAR's own texts
# looked up in that FAR's language files.
#
# Every difference between the hosts that a walk meets is a column of this
# table; the walks themselves are the same for all. English texts are
# those of the FAR's own FarEng.lng: the walks find them there and show
# the message of the same number in the FAR's language file of the pass.
#
#   id      the host's name in the tests' names (realfar_ID_WALK)
#   dir     the variable that points at the FAR's folder (Far.exe)
#   name    for the output
#   kind    1: FAR 1.x (/u USER, its settings in the registry);
#           3: FAR 3 (-s PROFILE -u USER, its settings in the profile,
#           old plug-ins' settings in the registry, -set: for options)
#   users   the registry key of FAR's users, below HKCU\Software
#   loads   whether FAR loads every DLL under Plugins\ at start (a DLL
#           that fails to load brings a box), or reads their exports first
#   keys    the disk menu's hot keys: digits (1.x: "0: DAVU player") or
#           FAR's own letters (3: "A    DAVU player"; the plug-in's
#           number is not used)
#   drive   the title of the disk menu
#   error   FAR's box for a plug-in module that fails to load
#   quit    F10's question
#   one     FAR's Copy dialog for one file; move: its Rename/Move dialog
#   many    FAR's Copy dialog for several items
#   chosen  the selection summary of the panel
#   kept    what stays selected after a copy that failed for one file: the
#           failed file (FAR 1.x deselects what the plug-in cleared), or
#           all (FAR 3's wrapper never clears an old plug-in's flags)
#   rows    the terminal's height: FAR 3's info panel shows the plug-in's
#           lines below its own sections
host_table=$(
  cat <<'TABLE'
id     |dir        |name    |kind|users                     |loads|keys  |drive       |error                      |quit                    |one             |move                      |many                 |chosen|kept  |rows
far170 |FAR170_DIR |FAR 1.70|1   |Software\Far\Users        |all  |digits|Drive       |Error loading plugin module|Do you want to quit FAR?|Copy "%.55s"    |Rename or move "%.55s"    |Copy %d item%s       | %s bytes in 1 file |failed|30
far175 |FAR175_DIR |FAR 1.75|1   |Software\Far\Users        |some |digits|Drive       |Error loading plugin module|Do you want to quit FAR?|Copy "%.55s"    |Rename or move "%.55s"    |Copy %d item%s       | %s bytes in 1 file |failed|30
far3   |FAR3_DIR   |FAR 3.0 |3   |Software\Far Manager\Users|some |letters|Change drive|Error loading plugin       |Do you want to quit Far?|Copy {0} {1}:   |Rename or move {0} {1}:   |Copy {0} item{1} {2}:|Bytes: {0}, files: {1}, folders: {2}|all   |50
TABLE
)
realfar_hosts=(far170 far175 far3)

# host_value COLUMN [HOST]: the HOST's (this walk's) entry of the table,
# without the padding.
host_value() {
  local column=$1 want=${2:-$host} header row i
  IFS= read -r header <<<"$host_table"
  IFS='|' read -r -a names <<<"$header"
  while IFS= read -r row; do
    IFS='|' read -r -a cells <<<"$row"
    [ "${cells[0]%% *}" = "$want" ] || continue
    for i in "${!names[@]}"; do
      if [ "${names[i]%% *}" = "$column" ]; then
        local cell=${cells[i]}
        # Trailing blanks pad the column, except where the text has them.
        [ "$column" = chosen ] || cell=${cell%"${cell##*[! ]}"}
        printf '%s' "$cell"
        return 0
      fi
    done
  done < <(tail -n +2 <<<"$host_table")
  return 1
}

# The quoted strings of a FAR language file, one a line, in message order,
# as UTF-8: FAR 1.x's files are in the OEM code page, FAR 3's in UTF-8
# with a byte-order mark.
lng_strings() {
  local from=CP866
  [ "$(head -c 3 "$1" | od -An -tx1 | tr -d ' \n')" = efbbbf ] && from=UTF-8
  iconv -f "$from" -t UTF-8 "$1" | sed '1s/^\xef\xbb\xbf//' | tr -d '\r' |
    sed -n 's/^"\(.*\)"$/\1/p' | sed 's/\\"/"/g'
}

# A FAR text as the screen shows it: the hot-key mark and the key names
# right of a menu item dropped.
far_clean() {
  local text=${1//&/}
  printf '%s' "${text%%  *}"
}

# far_number ENGLISH [RANK]: the number of the RANK-th (1st) message of this
# FAR whose English text is ENGLISH: as written, else as the screen shows
# it (a menu item's hot-key mark and key names aside).
far_number() {
  local want=$1 rank i pass text
  for pass in exact shown; do
    rank=${2:-1}
    [ "$pass" = shown ] && want=$(far_clean "$1")
    for i in "${!far_english[@]}"; do
      text=${far_english[i]}
      if [ "$pass" = shown ]; then
        text=${text//&/}
        text=${text%%  *}
      fi
      [ "$text" = "$want" ] || continue
      rank=$((rank - 1))
      [ "$rank" -gt 0 ] || {
        printf '%s' "$i"
        return 0
      }
    done
  done
  fail "$host_name has no message \"$1\" in FarEng.lng"
}

# far_msg ENGLISH [RANK]: that message in the language of the pass.
far_msg() {
  local n
  n=$(far_number "$@") || exit 1
  far_clean "${far_text[n]}"
}

# far_hotkey ENGLISH: the hot-key letter of a menu item, in the language
# of the pass.
far_hotkey() {
  local n text
  n=$(far_number "$1") || exit 1
  text=${far_text[n]#*&}
  printf '%s' "${text:0:1}"
}

# far_lead ENGLISH [ARG...]: the message up to its first place holder that
# has no argument, the others filled in order (FAR 1.x: %s, %d, %.55s;
# FAR 3: {0}, {1}).
far_lead() {
  local rest out=
  rest=$(far_msg "$1") || exit 1
  shift
  while [[ $rest =~ ^([^%{]*)(%[-.0-9]*[a-z]|\{[0-9]\})(.*)$ ]]; do
    out+=${BASH_REMATCH[1]}
    [ $# -gt 0 ] || {
      printf '%s' "$out"
      return 0
    }
    out+=$1
    shift
    rest=${BASH_REMATCH[3]}
  done
  printf '%s' "$out$rest"
}

# far_tail ENGLISH [ARG...]: the message after its first place holder, the
# others filled in order; the blanks around it dropped.
far_tail() {
  local text first
  text=$(far_msg "$1") || exit 1
  shift
  [[ $text =~ ^[^%{]*(%[-.0-9]*[a-z]|\{[0-9]\})(.*)$ ]] || {
    printf '%s' "$text"
    return 0
  }
  first=${BASH_REMATCH[2]}
  local out=
  while [[ $first =~ ^([^%{]*)(%[-.0-9]*[a-z]|\{[0-9]\})(.*)$ ]]; do
    out+=${BASH_REMATCH[1]}${1:-}
    [ $# -gt 0 ] && shift
    first=${BASH_REMATCH[3]}
  done
  out+=$first
  out=${out#"${out%%[! ]*}"}
  printf '%s' "${out%"${out##*[! ]}"}"
}

# host_of_walk HOST: this walk's host, its FAR folder, or exit 77 (CTest's
# skip) saying how to give one.
host_of_walk() {
  host=$1
  host_value id >/dev/null || {
    echo "unknown host $host (one of ${realfar_hosts[*]})"
    exit 1
  }
  host_name=$(host_value name)
  host_kind=$(host_value kind)
  local var dir
  var=$(host_value dir)
  dir=${!var:-}
  if [ -z "$dir" ] || [ ! -f "$dir/Far.exe" ]; then
    echo "SKIP: no $host_name: set $var to the folder of its Far.exe" \
      "(FAR built by hand from FAR's public repository, outside this" \
      "checkout) to run this walk in it."
    exit "$realfar_skip"
  fi
  far_source=$(cd "$dir" && pwd)
}

# The start switches of this FAR for the walk's user, and the folders.
far_switches() {
  if [ "$host_kind" = 3 ]; then
    printf '%s\n' -s "$(winpath "$work/profile")" -u "$user"
    [ "$lang" = Rus ] && printf '%s\n' -set:Language.Main=Russian \
      -set:Language.Help=Russian
  else
    printf '%s\n' /u "$user"
  fi
  printf '%s\n' "$(winpath "$1")" "$(winpath "$2")"
}

# FAR 1.x keeps its language, and that of the help files (a setting of
# its own), under the user's key; FAR 3 takes them from its switches.
far_language() {
  [ "$lang" = Rus ] && [ "$host_kind" = 1 ] || return 0
  printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\%s\\%s\\Language]\r\n"Main"="Russian"\r\n"Help"="Russian"\r\n' \
    "$(host_value users)" "$user" >"$work/russian.reg"
  env "${wine_env[@]}" wine regedit /S "$(winpath "$work/russian.reg")" >/dev/null 2>&1 ||
    fail "could not set FAR's language"
}

# The registry key of the plug-in's settings for the walk's user.
plugin_settings_key() {
  printf 'HKCU\\%s\\%s\\Plugins\\DAVU Manager' "$(host_value users)" "$user"
}
