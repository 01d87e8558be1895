#!/usr/bin/env bash
# Capture speed: frames per second of `intro-capture video` at several scales.
#
# Each run captures one frame per second of the whole piece (--fps 1: 108 frames,
# a cross-section of every shot, the blank stretches included), so the figure is
# the average over the piece's own mix of cheap and costly frames. The tool's own
# figure (frames over the wall time of its frame loop, encoding included, the
# soundtrack render excluded) is printed with the load average before each run.
#
#   bench/capture_speed.sh [BUILD_DIR] [SCALE...]     (default: build, scales 1 0.5 0.25)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
shift || true
scales=("$@")
[ ${#scales[@]} -gt 0 ] || scales=(1 0.5 0.25)
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
for s in "${scales[@]}"; do
  echo "scale $s, load average $(cut -d' ' -f1-3 /proc/loadavg):"
  "$build/intro-capture" video --fps 1 --scale "$s" "$out/speed-$s.mp4" 2>&1 | grep 'wrote' || exit 1
done
