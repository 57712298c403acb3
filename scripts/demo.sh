#!/usr/bin/env bash
# Builds everything, creates a simulated player with sample files on both
# memories and runs the demo script (sim/farhost/demo/demo.script) in the
# substitute host, which prints what the plug-in shows.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/wine-setup.sh"

demo=$build/demo
new_sandbox "$demo"
mkdir -p "$demo/pc"

player=$(winpath "$demo/player")
ctl() { run "$build/bin/playerctl.exe" "$@" >/dev/null; }
ctl init "$player" --internal 16777216 --external 33554432 --version "DAVU demo player 1.0"
ctl add "$player" internal "Config.dat" --size 512
ctl add "$player" internal "01 Intro.mp3" --size 180000 --date 2004-03-01T10:15:00
ctl add "$player" internal "02 Theme.mp3" --size 2400000 --date 2004-03-02T18:40:30
ctl add "$player" internal "Voice memo.wav" --size 96000 --date 2004-04-11T09:05:12
ctl add "$player" external "Track 1.mp3" --size 3500000 --date 2004-05-20T21:00:00
ctl add "$player" external "Podcast.wma" --size 1200000 --date 2004-06-01T07:30:00
# A simulated transfer rate, so that the progress boxes move.
ctl set "$player" rate 4000000
# The sixth upload of the demo (the second song of its replace-copy) breaks
# off half-way.
ctl fail "$player" Upload --nth 6

# PC files that the demo copies onto the player: a folder and a playlist.
music=$demo/music
mkdir -p "$music/Road trip/Disc 2"
head -c 40000 /dev/zero >"$music/Road trip/01 Highway.mp3"
head -c 30000 /dev/zero >"$music/Road trip/Disc 2/02 Dunes.wma"
printf 'cover' >"$music/Road trip/cover.jpg"
head -c 20000 /dev/zero >"$music/Morning.mp3"
head -c 25000 /dev/zero >"$music/Evening.mp3"
printf '#EXTM3U\r\nMorning.mp3\r\nEvening.mp3\r\n' >"$music/party.m3u"
export MUSIC=$(winpath "$music")

export DAVU_PLAYER=$player
export PC=$(winpath "$demo/pc")
run "$build/bin/farhost.exe" --raw-times --root 'Software\DAVU Demo\Plugins' \
  "$(winpath "$demo/plugin")" "$(winpath "$root/sim/farhost/demo/demo.script")"
