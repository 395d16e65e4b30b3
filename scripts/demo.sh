#!/usr/bin/env bash
# Starts the radar simulator behind a fixed link and the tool beside it; stops the simulator
# when the tool closes.
set -euo pipefail
build=${1:-build}
link="$(cd "$build" && pwd)/radar-tty"
"$build/bin/radar-sim" --link "$link" --targets 10 &
sim=$!
trap 'kill $sim 2>/dev/null || true' EXIT
sleep 0.5
echo
echo "The simulated radar is at: $link"
echo "The tool connects to it at start (--port)."
echo
"$build/bin/radar-config" --port "$link"
