#!/usr/bin/env bash
# Try the plug-in by hand: installs what is missing, builds, creates a
# simulated player with sample files and a transfer rate of about 1 MB/s,
# and starts the substitute host as a two-panel screen in this terminal.
# The left panel shows a PC folder with music to send; Alt+F2 (or Ctrl+F2)
# opens the player on the right.
#
#   try.sh --far [DIR]
#
# does the same in a real FAR instead: Far.exe from DIR, else from
# FAR170_DIR, FAR175_DIR or FAR3_DIR (the first one given), with the
# plug-in folder (and the simulated USBCTRL.dll) as Plugins\DAVUman\ beside
# it. FAR runs as its own user "try" (FAR 1.x: /u try; FAR 3: -u try and a
# profile of its own, -s), so its settings stay apart; Wine's error output
# goes to try/wine-stderr.log.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
far_source=
if [ "${1:-}" = --far ]; then
  far_source=${2:-${FAR170_DIR:-${FAR175_DIR:-${FAR3_DIR:-}}}}
  if [ -z "$far_source" ] || [ ! -f "$far_source/Far.exe" ]; then
    echo "No Far.exe in '$far_source': give a FAR folder as DIR, or in" \
      "FAR170_DIR, FAR175_DIR or FAR3_DIR" >&2
    exit 1
  fi
  far_source=$(cd "$far_source" && pwd)
fi
source "$root/scripts/wine-setup.sh"

try=${TRY_DIR:-$build/try}
new_sandbox "$try"
mkdir -p "$try/pc/Music/Road trip"

player=$(winpath "$try/player")
ctl() { run "$build/bin/playerctl.exe" "$@" >/dev/null; }
ctl init "$player" --internal 16777216 --external 33554432 --version "DAVU player 1.0"
ctl add "$player" internal "Config.dat" --size 512
ctl add "$player" internal "01 Intro.mp3" --size 1800000 --date 2004-03-01T10:15:00
ctl add "$player" internal "02 Theme.mp3" --size 2400000 --date 2004-03-02T18:40:30
ctl add "$player" internal "03 Long road home (live at the old town hall).mp3" \
  --size 3100000 --date 2004-03-05T20:10:00
ctl add "$player" internal "Voice memo.wav" --size 960000 --date 2004-04-11T09:05:12
ctl add "$player" external "Track 1.mp3" --size 3500000 --date 2004-05-20T21:00:00
ctl add "$player" external "Podcast.wma" --size 1200000 --date 2004-06-01T07:30:00
# About 1 MB/s, so that the progress box can be watched.
ctl set "$player" rate "${TRY_RATE:-1000000}"

music=$try/pc/Music
head -c 2000000 /dev/zero >"$music/Morning.mp3"
head -c 1500000 /dev/zero >"$music/Evening.mp3"
head -c 900000 /dev/zero >"$music/Road trip/01 Highway.mp3"
printf '#EXTM3U\r\nMorning.mp3\r\nEvening.mp3\r\n' >"$music/party.m3u"

export DAVU_PLAYER=$player
cd "$try"
if [ -n "$far_source" ]; then
  mkdir -p "$try/far/Plugins"
  cp "$far_source"/* "$try/far/" 2>/dev/null || true
  cp -r "$try/plugin" "$try/far/Plugins/DAVUman"
  cd "$music"
  # FAR 3 keeps its own settings in a profile folder; old plug-ins' under
  # the user's registry key, as FAR 1.x does.
  user=(/u try)
  if [ -f "$try/far/sqlite3.dll" ]; then
    mkdir -p "$try/far-profile"
    user=(-s "$(winpath "$try/far-profile")" -u try)
  fi
  # FAR's drive queries make Wine print lines that would scroll the screen.
  exec "$root/scripts/wine-run.sh" "$prefix" "$try/far/Far.exe" "${user[@]}" \
    "$(winpath "$music")" "$(winpath "$try/pc")" 2>"$try/wine-stderr.log"
fi
exec "$root/scripts/wine-run.sh" "$prefix" "$build/bin/farhost.exe" --interactive \
  --root 'Software\DAVU Try\Plugins' --pc "$(winpath "$try/pc/Music")" \
  "$(winpath "$try/plugin")"
