#!/bin/bash
# Starts a Tessaro program on the desktop.
#
# usage: scripts/demo.sh <program path> [program arguments...]
#
# Without a display (neither DISPLAY nor WAYLAND_DISPLAY set) the program runs
# under a virtual X server (Xvfb) of DEMO_SCREEN pixels (default 1280x800)
# for DEMO_SECONDS seconds (default 6), and a screenshot of its windows is
# written to DEMO_SCREENSHOT (default: the program's path with ".png" added).
set -euo pipefail

if [[ $# -lt 1 ]]; then
  echo "usage: $0 <program path> [program arguments...]" >&2
  exit 2
fi
program=$1
shift
if [[ ! -x $program ]]; then
  echo "$0: $program is not an executable program (build it first: make build)" >&2
  exit 1
fi

if [[ -n ${DISPLAY:-} || -n ${WAYLAND_DISPLAY:-} ]]; then
  exec "$program" "$@"
fi

for tool in xvfb-run xwd; do
  if ! command -v "$tool" > /dev/null; then
    echo "$0: no display, and $tool is missing (Debian packages xvfb and x11-apps; make deps installs them)" >&2
    exit 1
  fi
done

here=$(cd "$(dirname "$0")" && pwd)
seconds=${DEMO_SECONDS:-6}
screen=${DEMO_SCREEN:-1280x800}
shot=${DEMO_SCREENSHOT:-$program.png}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Inside the virtual server: start the program, wait, dump the screen, stop it.
xvfb-run -a -s "-screen 0 ${screen}x24 -br" env QT_QPA_PLATFORM=xcb bash -c '
  program=$1 seconds=$2 shot=$3
  shift 3
  "$program" "$@" & pid=$!
  sleep "$seconds"
  if ! kill -0 "$pid" 2> /dev/null; then
    wait "$pid"; echo "the program ended early with status $?" >&2; exit 1
  fi
  xwd -root -silent -out "$shot"
  kill "$pid"; wait "$pid" 2> /dev/null || true
' demo "$program" "$seconds" "$work/screen.xwd" "$@"

/usr/bin/python3 "$here/xwd2png.py" "$work/screen.xwd" "$shot"
echo "No display: ran $program under Xvfb for $seconds s; screenshot of its window: $shot"
