# Sourced by the end-to-end scripts: a virtual X display of their own (Xvfb) for the real
# program, and the helpers every script needs. The script sets `out` (its output folder, fresh)
# and `here` (its own folder) first, then calls `start_display WIDTHxHEIGHT`.
#   fail MESSAGE      ends the script, with the program's last log lines
#   window TITLE      the id of the visible window with exactly that title, focused
#   finish [CODE]     waits up to 30 s for the program to end and checks its exit code (0)
# `ink_pid` holds the running program, which is killed on the way out, as is the display.

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

start_display() {  # start_display WIDTHxHEIGHT
  local t
  for t in Xvfb xdotool; do
    command -v "$t" > /dev/null || fail "$t is missing (./dev.sh test installs it)"
  done
  Xvfb -displayfd 9 -screen 0 "$1x24" -nolisten tcp 9> "$out/display" 2> "$out/xvfb.log" &
  xvfb_pid=$!
  for _ in $(seq 100); do
    [ -s "$out/display" ] && break
    sleep 0.1
  done
  [ -s "$out/display" ] || fail "Xvfb did not start"
  export DISPLAY=":$(head -n 1 "$out/display")"
  export QT_QPA_PLATFORM=xcb  # whatever the tests around it use, these run on the display

  # Leaks inside system libraries (D-Bus, fontconfig) are not ours; everything else still counts.
  export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
  export LSAN_OPTIONS="suppressions=$here/lsan.supp:print_suppressions=0"
  unset INKWEND_STARTUP_PROBE
}

window() {  # window TITLE: the id of the visible window with exactly that title, once it shows
  local id
  id=$(timeout 20 xdotool search --sync --onlyvisible --name "^$1\$" 2> /dev/null | head -n 1) || true
  [ -n "$id" ] || fail "no window \"$1\" within 20 s"
  timeout 5 xdotool windowfocus --sync "$id" || fail "could not focus \"$1\""
  sleep 0.3  # let the window take the focus and finish painting
  echo "$id"
}

finish() {  # finish [CODE]: waits for the program to end and checks how it ended
  local expected=${1:-0}
  for _ in $(seq 300); do
    kill -0 "$ink_pid" 2> /dev/null || break
    sleep 0.1
  done
  kill -0 "$ink_pid" 2> /dev/null && fail "the program did not end within 30 s"
  local code=0
  wait "$ink_pid" || code=$?
  ink_pid=
  [ "$code" -eq "$expected" ] || fail "the program ended with code $code, expected $expected"
}
