# Sourced by the tests that run on a private X server (the *_under_x.sh
# scripts beside it). Skips the test, with exit code 77, where xvfb-run or
# xdotool is missing (scripts/install-deps installs both), and gives
# suppress_x11_leaks to the scripts that start xvfb-run.
for tool in xvfb-run xdotool; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "skipped: $tool is not installed"
    exit 77
  fi
done

# In the address-sanitizer build, the desktop bus library that the X11
# platform plugin loads keeps a buffer until exit; that is not ours.
suppress_x11_leaks() {
  LSAN_OPTIONS="suppressions=$(dirname "$0")/lsan-x11.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
  export LSAN_OPTIONS
}
