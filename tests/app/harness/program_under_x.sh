#!/bin/sh
# Runs the program as a host's worker, from a control file, standalone and
# into a crash on a private X server, driven by program_host, which paints in
# it with xdotool. Skipped, with exit code 77, where xvfb-run or xdotool is
# missing; scripts/install-deps installs both.
#   program_under_x.sh PROGRAM_HOST CUTOUT PHOTO
for tool in xvfb-run xdotool; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "skipped: $tool is not installed"
    exit 77
  fi
done
# The X11 platform plugin's accessibility bridge starts Qt's desktop bus
# thread, whose hand-overs inside Qt, which is not instrumented, the thread
# sanitizer reports as races.
if [ -n "${TSAN_OPTIONS:-}" ]; then
  echo "skipped: not run under the thread sanitizer"
  exit 77
fi
# The desktop bus library that the X11 platform plugin loads keeps a buffer until exit.
LSAN_OPTIONS="suppressions=$(dirname "$0")/lsan-x11.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
export LSAN_OPTIONS
exec xvfb-run -a -s "-screen 0 1280x1024x24" "$1" "$2" "$3"
