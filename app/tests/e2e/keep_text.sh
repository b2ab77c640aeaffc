#!/usr/bin/env bash
# End to end: typed text survives the program's end without a Save. The real `inkwend` on a
# virtual X display (Xvfb), typed into with real key presses (xdotool).
#   term: SIGTERM (what a logout or a shutdown sends) saves the text as Exit does, asking
#         nothing, and the program ends by itself.
#   kill: SIGKILL after the pause in typing leaves a recovery copy (enciphered in a diary with
#         a password) and no entry; the next start offers the text, shows it modified, and
#         Ctrl+S saves it.
#
#   keep_text.sh INKWEND INKWEND_TOOL OUTDIR term|kill [PASSWORD]
set -euo pipefail

inkwend=$1
tool=$2
out=$3
mode=$4
password=${5:-}
here=$(cd "$(dirname "$0")" && pwd)

for t in Xvfb xdotool; do
  command -v "$t" > /dev/null || { echo "FAIL: $t is missing (./dev.sh test installs it)"; exit 1; }
done

rm -rf "$out"
mkdir -p "$out/data/Entries"
data=$out/data
xvfb_pid=
ink_pid=

cleanup() {
  [ -n "$ink_pid" ] && kill "$ink_pid" 2> /dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2> /dev/null || true
}
trap cleanup EXIT

fail() {  # to stderr: it may be called inside $(...)
  {
    echo "FAIL: $*"
    [ -f "$out/inkwend.log" ] && tail -n 30 "$out/inkwend.log"
  } >&2
  exit 1
}

Xvfb -displayfd 9 -screen 0 1280x1024x24 -nolisten tcp 9> "$out/display" 2> "$out/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do
  [ -s "$out/display" ] && break
  sleep 0.1
done
[ -s "$out/display" ] || fail "Xvfb did not start"
export DISPLAY=":$(head -n 1 "$out/display")"
export QT_QPA_PLATFORM=xcb

# Leaks inside system libraries (D-Bus, fontconfig) are not ours; everything else still counts.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export LSAN_OPTIONS="suppressions=$here/lsan.supp:print_suppressions=0"
unset INKWEND_STARTUP_PROBE

# The settings file as the program writes it: no opening caution, and the password scrambled
# as the design stores it (the n-th byte, counted from 1, moved by 100 minus the length when n
# is odd and by 100 plus the length when it is even).
scrambled() {
  local text=$1 len=${#1} i c out=
  for ((i = 0; i < len; i++)); do
    c=$(printf '%d' "'${text:i:1}")
    if ((i % 2 == 0)); then c=$(((c - len + 100) & 255)); else c=$(((c + len + 100) & 255)); fi
    out+=$(printf '\\x%02x' "$c")
  done
  printf '%s' "$out"
}
{
  printf '[Opening Screen]\r\nshow=0\r\n'
  if [ -n "$password" ]; then
    printf '[Security]\r\nPassword='
    printf "$(scrambled "$password")"
    printf '\r\n'
  fi
} > "$data/KW.INI"

window() {  # window TITLE: the id of the visible window with exactly that title, once it shows
  local id
  id=$(timeout 20 xdotool search --sync --onlyvisible --name "^$1\$" 2> /dev/null | head -n 1) || true
  [ -n "$id" ] || fail "no window \"$1\" within 20 s"
  timeout 5 xdotool windowfocus --sync "$id" || fail "could not focus \"$1\""
  sleep 0.3  # let the window take the focus and finish painting
  echo "$id"
}

start() {  # starts the program and gets past the password prompt of an enciphered diary
  "$inkwend" --data-dir "$data" >> "$out/inkwend.log" 2>&1 &
  ink_pid=$!
  if [ -n "$password" ]; then
    window 'Inkwend! - Password Required' > /dev/null
    xdotool type --delay 20 "$password"
    xdotool key Return
  fi
}

finish() {  # finish CODE: waits for the program to end and checks how it ended
  for _ in $(seq 300); do
    kill -0 "$ink_pid" 2> /dev/null || break
    sleep 0.1
  done
  kill -0 "$ink_pid" 2> /dev/null && fail "the program did not end within 30 s"
  local code=0
  wait "$ink_pid" || code=$?
  ink_pid=
  [ "$code" -eq "$1" ] || fail "the program ended with code $code, expected $1"
}

day=$(date +%Y%m%d)
entry=$data/Entries/$day.KWE
copy=$entry.recover

text_of_entry() {  # the entry's text, deciphered with the diary's password when there is one
  [ -f "$entry" ] || fail "no entry file $entry"
  if [ -n "$password" ]; then
    "$tool" cipher decrypt --password "$password" "$entry" "$out/plain.rtf" || fail "could not decipher $entry"
    "$tool" rtf "$out/plain.rtf" --text
  else
    "$tool" rtf "$entry" --text
  fi
}

text='Dear diary, the power went out at nine.'

start
window 'Inkwend' > /dev/null
xdotool type --delay 20 "$text"

case $mode in
term)
  sleep 1  # the keys are in the editor
  [ -e "$entry" ] && fail "an entry exists before anything was saved"
  kill -TERM "$ink_pid"
  finish 0
  [ "$(text_of_entry)" = "$text" ] || fail "after SIGTERM the entry reads '$(text_of_entry)', expected '$text'"
  [ -e "$copy" ] && fail "the recovery copy is left after the text was saved"
  echo "PASS: SIGTERM saved the typed text"
  ;;
kill)
  for _ in $(seq 100); do
    [ -f "$copy" ] && break
    sleep 0.1
  done
  [ -f "$copy" ] || fail "no recovery copy $copy 10 s after typing"
  [ -e "$entry" ] && fail "the entry was written without a Save"
  if [ -n "$password" ] && grep -q 'power went out' "$copy"; then fail "the recovery copy of an enciphered diary holds plaintext"; fi
  kill -KILL "$ink_pid"
  wait "$ink_pid" 2> /dev/null || true
  ink_pid=

  start
  # The offer comes when the window is first activated (here, without a window manager, when
  # it is given the focus).
  window 'Inkwend' > /dev/null
  window 'Confirm' > /dev/null
  xdotool key Return  # Yes, the default button
  window 'Inkwend' > /dev/null
  sleep 0.5
  [ -e "$entry" ] && fail "the recovered text was written before a Save"
  xdotool key ctrl+s
  for _ in $(seq 50); do
    [ -f "$entry" ] && break
    sleep 0.1
  done
  [ "$(text_of_entry)" = "$text" ] || fail "the recovered entry reads '$(text_of_entry)', expected '$text'"
  [ -e "$copy" ] && fail "the recovery copy is left after the Save"
  xdotool key alt+x
  finish 0
  echo "PASS: the text typed before SIGKILL was offered at the next start and saved"
  ;;
*)
  fail "unknown mode $mode"
  ;;
esac
