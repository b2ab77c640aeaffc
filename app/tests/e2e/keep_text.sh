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

rm -rf "$out"
mkdir -p "$out/data/Entries"
data=$out/data
. "$here/virtual_display.sh"
start_display 1280x1024

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

start() {  # starts the program and gets past the password prompt of an enciphered diary
  "$inkwend" --data-dir "$data" >> "$out/inkwend.log" 2>&1 &
  ink_pid=$!
  if [ -n "$password" ]; then
    window 'Inkwend! - Password Required' > /dev/null
    xdotool type --delay 20 "$password"
    xdotool key Return
  fi
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
