#!/bin/sh
# Paints on the canvas with the real pointer on a private X server (see
# paint_harness.cpp). Skipped, with exit code 77, where xvfb-run or xdotool
# is missing; scripts/install-deps installs both.
#   paint_under_x.sh PAINT_HARNESS IMAGE
for tool in xvfb-run xdotool; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "skipped: $tool is not installed"
    exit 77
  fi
done
# Under the thread sanitizer (scripts/test tsan sets TSAN_OPTIONS) the X11
# platform plugin's accessibility bridge starts Qt's desktop bus thread, whose
# hand-overs inside Qt, which is not instrumented, are reported as races.
if [ -n "${TSAN_OPTIONS:-}" ]; then
  echo "skipped: not run under the thread sanitizer"
  exit 77
fi
# In the address-sanitizer build, the desktop bus library that the X11
# platform plugin loads keeps a buffer until exit; that is not ours.
LSAN_OPTIONS="suppressions=$(dirname "$0")/lsan-x11.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
export LSAN_OPTIONS
# The harnesses paint with the raster engine and need no OpenGL; the GLX
# integration would load the system's GL library, which keeps a buffer past
# its unloading that the leak sanitizer reports with no name to suppress.
QT_XCB_GL_INTEGRATION=none
export QT_XCB_GL_INTEGRATION
QT_QPA_PLATFORM=xcb exec xvfb-run -a -s "-screen 0 1280x1024x24" "$1" "$2" --check
