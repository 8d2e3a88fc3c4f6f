#!/usr/bin/env bash
# Starts the program of a build tree; with a demo-site binary, starts the
# local directory site on a free loopback port first and points the program at it.
set -euo pipefail
build=$1
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display found. Run it under a virtual display:" >&2
  echo "  xvfb-run -a -s '-screen 0 1280x800x24' ./run" >&2
  exit 1
fi
if [ -x "$build/demo-site" ] && [ -z "${QRHARVEST_SITE:-}" ]; then
  port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
  "$build/demo-site" --port "$port" &
  site_pid=$!
  trap 'kill $site_pid 2>/dev/null || true' EXIT
  export QRHARVEST_SITE="127.0.0.1:$port"
  echo "demo directory site on $QRHARVEST_SITE"
fi
"$build/qrharvest"
