#!/bin/sh
# Paints on the canvas with the real pointer on a private X server (see
# paint_harness.cpp). Skipped, with exit code 77, where xvfb-run or xdotool
# is missing (see x_test_setup.sh).
#   paint_under_x.sh PAINT_HARNESS IMAGE
. "$(dirname "$0")/x_test_setup.sh"
suppress_x11_leaks
# The harnesses paint with the raster engine and need no OpenGL; the GLX
# integration would load the system's GL library, which keeps a buffer past
# its unloading that the leak sanitizer reports with no name to suppress.
QT_XCB_GL_INTEGRATION=none
export QT_XCB_GL_INTEGRATION
QT_QPA_PLATFORM=xcb exec xvfb-run -a -s "-screen 0 1280x1024x24" "$1" "$2" --check
