#!/usr/bin/env bash
# End to end: the real `inkwend` on a virtual X display (Xvfb), driven with real key presses
# (xdotool). A first start on a fresh diary writes an entry, saves it with Ctrl+S and leaves
# with E&xit; a second start shows it again (text typed after Ctrl+End lands after it, so it
# was in the editor), opens the about box and the help from the Help menu, saves, and writes
# on the next day (Ctrl+Page Down; Ctrl+Page Up saves it on the way back); a third start at
# 200% scale changes nothing; a start with the start-up probe quits by itself after the first
# paint. Screenshots of each look go to OUTDIR.
#
#   write_entry.sh INKWEND INKWEND_TOOL OUTDIR
set -euo pipefail

inkwend=$1
tool=$2
out=$3
here=$(cd "$(dirname "$0")" && pwd)

rm -rf "$out"
mkdir -p "$out/data"
data=$out/data
. "$here/virtual_display.sh"
for t in xwd convert; do
  command -v "$t" > /dev/null || fail "$t is missing (./dev.sh test installs it)"
done
# A display of its own, large enough for the window at 200%.
start_display 1920x1440

# The desktop's opener of documents, replaced by one that writes down what it was asked to open.
mkdir -p "$out/bin"
printf '#!/bin/sh\nprintf "%%s" "$1" > "%s/opened-url"\n' "$out" > "$out/bin/xdg-open"
chmod +x "$out/bin/xdg-open"
export PATH="$out/bin:$PATH"

start() {  # start [ENV=VALUE...]
  env "$@" "$inkwend" --data-dir "$data" >> "$out/inkwend.log" 2>&1 &
  ink_pid=$!
}

visible_windows() { xdotool search --onlyvisible --classname inkwend 2> /dev/null | wc -l; }

open_help_menu() {  # opens the Help menu and waits until its popup shows
  local before
  before=$(visible_windows)
  xdotool key alt+h
  for _ in $(seq 100); do
    [ "$(visible_windows)" -gt "$before" ] && return 0
    sleep 0.05
  done
  fail "the Help menu did not open"
}

shot() {  # shot WINDOW FILE
  xwd -id "$1" -silent | convert xwd:- "$out/$2" || fail "screenshot $2"
}

day=$(date +%Y%m%d)
entry=$data/Entries/$day.KWE
tomorrow=$(date -d "$(date +%F) +1 day" +%Y%m%d)
tomorrow_entry=$data/Entries/$tomorrow.KWE

text_of_entry() {
  [ -f "$entry" ] || fail "no entry file $entry"
  "$tool" rtf "$entry" --text
}

expect_text() {  # expect_text WANTED WHEN: the entry reads WANTED (within 5 s, for a save under way)
  local got
  for _ in $(seq 50); do
    got=$(text_of_entry) || fail "$2: $tool could not read $entry"
    [ "$got" = "$1" ] && return 0
    sleep 0.1
  done
  [ "$got" = "$1" ] || fail "$2: entry reads '$got', expected '$1'"
}

first='Dear diary, the river was high today.'
second=' We walked to the old mill & back.'
third=' In the evening: tea {with} friends.'
tomorrow_text='Plans: market at 9, then the library.'

# --- First start: the opening caution, then write, save, add more and leave with E&xit.
start
window 'Inkwend!' > /dev/null
xdotool key Return
main=$(window 'Inkwend')
[ -e "$entry" ] && fail "an entry exists before anything was typed"
xdotool type --delay 20 "$first"
xdotool key ctrl+s
for _ in $(seq 50); do [ -f "$entry" ] && break; sleep 0.1; done
expect_text "$first" "after Ctrl+S"
xdotool type --delay 20 "$second"
xdotool key alt+x
finish
expect_text "$first$second" "after E&xit"

# --- Second start at 100%: the entry is shown; add to its end, look at the about box, save.
start QT_SCALE_FACTOR=1
window 'Inkwend!' > /dev/null
xdotool key Return
main=$(window 'Inkwend')
shot "$main" main-window-100.png
xdotool key ctrl+End
xdotool type --delay 20 "$third"
xdotool key ctrl+s
expect_text "$first$second$third" "after the second start"
shot "$main" main-window-100-modified.png
open_help_menu
xdotool key Down Return
about=$(window 'About Inkwend!')
shot "$about" about-100.png
xdotool key Return
main=$(window 'Inkwend')
# Help > Contents hands the help page beside the program, at its contents, to the desktop's
# opener (here a stand-in that notes what it was given).
open_help_menu
xdotool key Return
for _ in $(seq 50); do [ -s "$out/opened-url" ] && break; sleep 0.1; done
url=$(cat "$out/opened-url" 2> /dev/null) || true
[[ "$url" == file://*/help/index.html#contents ]] || fail "Help > Contents opened '$url'"
page=${url#file://}
[ -f "${page%#contents}" ] || fail "the help page $page is missing"
main=$(window 'Inkwend')
# Next day with Ctrl+Page Down, write there, come back with Ctrl+Page Up: the move saves it.
xdotool key ctrl+Next
xdotool type --delay 20 "$tomorrow_text"
xdotool key ctrl+Prior
for _ in $(seq 50); do [ -f "$tomorrow_entry" ] && break; sleep 0.1; done
[ -f "$tomorrow_entry" ] || fail "moving back from the next day did not save it"
got=$("$tool" rtf "$tomorrow_entry" --text) || fail "$tool could not read $tomorrow_entry"
[ "$got" = "$tomorrow_text" ] || fail "the next day reads '$got', expected '$tomorrow_text'"
expect_text "$first$second$third" "after a visit to the next day"
xdotool key alt+x
finish

# --- Third start at 200%: look, and leave; an unchanged day is not rewritten.
before=$(cksum < "$entry")
start QT_SCALE_FACTOR=2
window 'Inkwend!' > /dev/null
xdotool key Return
main=$(window 'Inkwend')
shot "$main" main-window-200.png
open_help_menu
xdotool key Down Return
about=$(window 'About Inkwend!')
shot "$about" about-200.png
xdotool key Return
window 'Inkwend' > /dev/null
xdotool key alt+x
finish
[ "$(cksum < "$entry")" = "$before" ] || fail "closing an unchanged day changed its file"
[ "$(ls "$data/Entries" | tr '\n' ' ')" = "$day.KWE $tomorrow.KWE " ] || fail "unexpected files in Entries: $(ls "$data/Entries")"

# --- The start-up probe: prints the time to the first painted window and quits on its own,
# leaving the diary as it was.
printf '[Opening Screen]\r\nshow=0\r\n' > "$data/KW.INI"
INKWEND_STARTUP_PROBE=yes "$inkwend" --data-dir "$data" > "$out/probe.txt" 2>> "$out/inkwend.log" &
ink_pid=$!
finish
grep -Eq '^first-paint-ms [0-9]+(\.[0-9]+)?$' "$out/probe.txt" || fail "probe printed '$(cat "$out/probe.txt")'"
[ "$(cksum < "$entry")" = "$before" ] || fail "the probe's run changed the entry"

echo "PASS: entry written, saved, shown again; screenshots in $out"
