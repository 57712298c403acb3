#!/usr/bin/env bash
# Try the plug-in by hand: installs what is missing, builds, creates a
# simulated player with sample files and a transfer rate of about 1 MB/s,
# and starts the substitute host as a two-panel screen in this terminal.
# The left panel shows a PC folder with music to send; Alt+F2 (or Ctrl+F2)
# opens the player on the right.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
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
exec "$root/scripts/wine-run.sh" "$prefix" "$build/bin/farhost.exe" --interactive \
  --root 'Software\DAVU Try\Plugins' --pc "$(winpath "$try/pc/Music")" \
  "$(winpath "$try/plugin")"
