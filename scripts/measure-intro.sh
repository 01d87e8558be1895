#!/usr/bin/env bash
# Measures the piece on this machine: peak memory of build/intro after ten
# seconds, then frames per second and the synthesizer's smallest lead over
# playback (build/intro-measure, the same program with figures). Both run in a
# private Xvfb (GL on Mesa's software rasterizer) with a private PulseAudio
# server whose only sink is a null sink, as the end-to-end tests do.
#
#   scripts/measure-intro.sh [build folder] [seconds for intro-measure, default 30]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
seconds=${2:-30}
work=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# X server: it picks a free display number and writes it once it is ready.
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp -noreset 3>"$work/display" 2>"$work/xvfb.log" &
pids+=($!)
for _ in $(seq 300); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "measure: Xvfb did not start" >&2; cat "$work/xvfb.log" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$work/display")"

# Sound server: a null sink in the piece's format, its own socket and folder.
HOME="$work" XDG_RUNTIME_DIR="$work" XDG_CONFIG_HOME="$work" DBUS_SESSION_BUS_ADDRESS= \
  pulseaudio -n --daemonize=no --system=false --exit-idle-time=-1 --use-pid-file=false \
  --realtime=false --high-priority=true --disable-shm=true --log-target=stderr \
  "--load=module-native-protocol-unix socket=$work/native auth-anonymous=1" \
  "--load=module-null-sink sink_name=intro format=float32le rate=44100 channels=2" 2>"$work/pulse.log" &
pids+=($!)
export PULSE_SERVER="unix:$work/native"
for _ in $(seq 300); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
pactl info >/dev/null 2>&1 || { echo "measure: PulseAudio did not start" >&2; cat "$work/pulse.log" >&2; exit 1; }

echo "measure: $(uptime | sed 's/.*load/load/')"
"$build/intro" 2>"$work/intro.log" &
intro=$!
sleep 10
echo "build/intro after 10 s: peak memory $(awk '/VmHWM/ {printf "%.1f MB", $2 / 1024}' "/proc/$intro/status")," \
     "now $(awk '/VmRSS/ {printf "%.1f MB", $2 / 1024}' "/proc/$intro/status")"
kill -TERM "$intro"  # SDL turns it into a quit request: one more frame, then exit
wait "$intro" || true

"$build/intro-measure" "$seconds"
