#!/usr/bin/env bash
# Where the diary lives, tried on the real program as a user starts it: no --data-dir, from a copy
# of `inkwend` in a writable folder (as a build folder is), offscreen, with HOME and XDG_DATA_HOME
# in a folder of the test's own. The diary (KW.INI and Entries/) must appear in the user's data
# folder and never beside the program; with a file named `portable` beside the program it stays
# there. Each start runs until the diary's files are written, then is ended (a first start waits
# on the opening caution, so it would not end by itself).
#
#   diary_folder.sh INKWEND OUTDIR
set -euo pipefail

inkwend=$1
out=$2

rm -rf "$out"
mkdir -p "$out/bin" "$out/home"
cp "$inkwend" "$out/bin/inkwend"
program=$out/bin/inkwend
ink_pid=

cleanup() {
  [ -n "$ink_pid" ] && kill -9 "$ink_pid" 2> /dev/null || true
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*"
  [ -f "$out/inkwend.log" ] && tail -n 30 "$out/inkwend.log"
  exit 1
}

export QT_QPA_PLATFORM=offscreen
export HOME=$out/home
unset INKWEND_STARTUP_PROBE
# Leaks inside system libraries (D-Bus, fontconfig) are not ours; the program is ended anyway.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0}

# start_until FOLDER: starts the program and waits until FOLDER holds a diary, then ends it.
start_until() {
  local folder=$1
  "$program" > "$out/inkwend.log" 2>&1 &
  ink_pid=$!
  for _ in $(seq 600); do
    [ -f "$folder/KW.INI" ] && [ -d "$folder/Entries" ] && break
    kill -0 "$ink_pid" 2> /dev/null || fail "the program ended before a diary was in $folder"
    sleep 0.1
  done
  kill -9 "$ink_pid" 2> /dev/null || true
  wait "$ink_pid" 2> /dev/null || true
  ink_pid=
  [ -f "$folder/KW.INI" ] && [ -d "$folder/Entries" ] || fail "no diary in $folder"
}

# Nothing but the program beside it: nothing of the diary may land there.
beside_only_program() {
  local extra
  extra=$(cd "$out/bin" && ls -A | grep -v -x -e inkwend -e portable || true)
  [ -z "$extra" ] || fail "the diary was written beside the program: $extra"
}

# 1. XDG_DATA_HOME set: the diary goes to $XDG_DATA_HOME/inkwend.
export XDG_DATA_HOME=$out/data
start_until "$XDG_DATA_HOME/inkwend"
beside_only_program

# 2. XDG_DATA_HOME unset: ~/.local/share/inkwend.
unset XDG_DATA_HOME
start_until "$HOME/.local/share/inkwend"
beside_only_program

# 3. A portable install keeps the diary beside the program, whatever XDG_DATA_HOME says.
export XDG_DATA_HOME=$out/data-portable
touch "$out/bin/portable"
start_until "$out/bin"
[ ! -e "$XDG_DATA_HOME" ] || fail "a portable start wrote into $XDG_DATA_HOME"

echo "PASS: the diary lives in the user's data folder, and beside a portable program"
