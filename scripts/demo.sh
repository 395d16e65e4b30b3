#!/usr/bin/env bash
# Starts the radar simulator behind a fixed link and the tool beside it; stops the simulator
# when the tool closes. The targets keep to the radar's own field and walk in and out of its
# zones, so that the alarm, warning and detection lamps take turns (second argument: paths for
# the fixed paths instead).
set -euo pipefail
build=${1:-build}
scenario=${2:-field}
link="$(cd "$build" && pwd)/radar-tty"
"$build/bin/radar-sim" --link "$link" --scenario "$scenario" --targets 3 &
sim=$!
trap 'kill $sim 2>/dev/null || true' EXIT
sleep 0.5
echo
echo "The simulated radar is at: $link"
echo "The tool connects to it at start (--port)."
echo
"$build/bin/radar-config" --port "$link"
