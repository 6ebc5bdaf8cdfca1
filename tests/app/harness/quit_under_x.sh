#!/bin/sh
# Starts the program on an image on a private X server, finds its main window
# by the title it gets once the image is open, quits it with Ctrl+Q as a user
# would, and expects the program to end with exit code 0. Skipped, with exit
# code 77, where xvfb-run or xdotool is missing (see x_test_setup.sh).
#   quit_under_x.sh CUTOUT IMAGE
. "$(dirname "$0")/x_test_setup.sh"

if [ "${1:-}" != "--on-x" ]; then
  suppress_x11_leaks
  exec xvfb-run -a -s "-screen 0 1280x1024x24" sh "$0" --on-x "$@"
fi
program=$2
image=$3

# Settings, logs and caches of the run stay in a folder of its own; the
# update and news checks wait until 2100, so that no run leaves the machine.
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
mkdir -p "$home/config/OstralTech" "$home/runtime"
chmod 700 "$home/runtime"
printf '[General]\nUpdateSupressUntil=4102444800\nNewsSupressUntil=4102444800\n' \
  >"$home/config/OstralTech/Zeltran3.conf"

HOME=$home XDG_CONFIG_HOME=$home/config XDG_CONFIG_DIRS=$home/machine \
  XDG_DATA_HOME=$home/data XDG_CACHE_HOME=$home/cache XDG_RUNTIME_DIR=$home/runtime \
  QT_QPA_PLATFORM=xcb QT_XCB_GL_INTEGRATION=none "$program" "$image" &
pid=$!

# The title names the image once it is open: "Zeltran 3: name (w x h) @ z%".
title="Zeltran 3: $(basename "$image") ("
window=""
tries=0
while [ -z "$window" ]; do
  if ! kill -0 "$pid" 2>/dev/null; then
    wait "$pid"
    echo "FAIL: the program ended (exit code $?) before its window showed"
    exit 1
  fi
  tries=$((tries + 1))
  if [ "$tries" -gt 600 ]; then
    kill "$pid"
    echo "FAIL: no window titled \"$title...\" within 60 s"
    exit 1
  fi
  sleep 0.1
  # Titles hold "(": search by a pattern with the parenthesis escaped.
  window=$(xdotool search --name "^$(echo "$title" | sed 's/[](.[*^$]/\\&/g')" 2>/dev/null | head -n 1)
done
echo "found the window \"$(xdotool getwindowname "$window")\""

xdotool windowfocus --sync "$window"
xdotool key --clearmodifiers ctrl+q

tries=0
while kill -0 "$pid" 2>/dev/null; do
  tries=$((tries + 1))
  if [ "$tries" -gt 300 ]; then
    kill "$pid"
    echo "FAIL: the program did not end within 30 s of Ctrl+Q"
    exit 1
  fi
  sleep 0.1
done
wait "$pid"
code=$?
if [ "$code" -ne 0 ]; then
  echo "FAIL: the program ended with exit code $code"
  exit 1
fi
echo "PASS: Ctrl+Q ended the program with exit code 0"
