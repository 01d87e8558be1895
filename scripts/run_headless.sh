#!/usr/bin/env bash
# What ./run does on a machine without a display: renders the piece to files.
#
#   out/soundtrack.wav      the whole soundtrack, 32-bit float stereo WAV
#   out/sheet.png           a contact sheet: one labelled frame per segment with a picture
#   out/intro-preview.mp4   the whole piece with its sound, small and at a low frame rate
#
# The preview's size and rate are chosen so that a 2-core machine drawing with
# software OpenGL finishes everything in about ten minutes; with a GPU, or for a
# full recording, run intro-capture video yourself (see README.md). Override with
# INTRO_PREVIEW_SCALE and INTRO_PREVIEW_FPS.
#
#   scripts/run_headless.sh BUILD_DIR OUT_DIR
set -euo pipefail
build=$1
out=$2
scale=${INTRO_PREVIEW_SCALE:-0.2}
fps=${INTRO_PREVIEW_FPS:-15}
capture="$build/intro-capture"
mkdir -p "$out"
start=$SECONDS

echo "run: no display (neither DISPLAY nor WAYLAND_DISPLAY is set): rendering the piece to files in $out"
echo "run: [1/3] the soundtrack -> $out/soundtrack.wav"
"$capture" audio "$out/soundtrack.wav"
echo "run: [2/3] the contact sheet -> $out/sheet.png"
"$capture" sheet "$out/sheet.png"
echo "run: [3/3] the preview video, scale $scale, $fps fps -> $out/intro-preview.mp4 (the long step)"
"$capture" video --scale "$scale" --fps "$fps" "$out/intro-preview.mp4"

echo "run: done in $((SECONDS - start)) s. The files:"
for f in soundtrack.wav sheet.png intro-preview.mp4; do
  printf 'run:   %s (%s)\n' "$out/$f" "$(du -h "$out/$f" | cut -f1)"
done
