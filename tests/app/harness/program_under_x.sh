#!/bin/sh
# Runs the program as a host's worker, from a control file, standalone and
# into a crash on a private X server, driven by program_host, which paints in
# it with xdotool. Skipped, with exit code 77, where xvfb-run or xdotool is
# missing (see x_test_setup.sh).
#   program_under_x.sh PROGRAM_HOST CUTOUT PHOTO
. "$(dirname "$0")/x_test_setup.sh"
suppress_x11_leaks
exec xvfb-run -a -s "-screen 0 1280x1024x24" "$1" "$2" "$3"
