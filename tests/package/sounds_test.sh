#!/usr/bin/env bash
# Checks the fill and stop sounds: each MP3 starts with an audio frame, not with an Info (Xing/LAME)
# frame, on which GStreamer's decoder prints a CRITICAL every time the sound is played; and, where
# gst-launch-1.0 is installed, GStreamer decodes each one to its end without a warning.
#   sounds_test.sh FILE.mp3...
set -euo pipefail
[ $# -gt 0 ] || { echo "usage: sounds_test.sh FILE.mp3..." >&2; exit 2; }
fail() { echo "sounds_test: $*" >&2; exit 1; }

for mp3 in "$@"; do
  [ -s "$mp3" ] || fail "$mp3 is missing or empty"
  # An MPEG audio frame starts with 11 set bits (no ID3 tag is written before it).
  read -r b0 b1 < <(od -An -tu1 -N2 "$mp3")
  [ "$b0" = 255 ] && [ "$b1" -ge 224 ] || fail "$mp3 does not start with an MPEG audio frame"
  # An Info or Xing tag sits right after the frame header and its side information: at byte 36 at
  # the latest (MPEG-1 stereo with a CRC), so within the first 42 bytes of any frame.
  if head -c 42 "$mp3" | LC_ALL=C grep -aq -e Info -e Xing; then
    fail "$mp3 starts with an Info/Xing frame (encode it with lame -t)"
  fi
  if command -v gst-launch-1.0 >/dev/null; then
    log=$(gst-launch-1.0 -q filesrc location="$mp3" ! decodebin ! audioconvert ! fakesink 2>&1) \
      || fail "GStreamer could not decode $mp3: $log"
    if grep -E 'CRITICAL|WARNING|ERROR' <<<"$log"; then fail "GStreamer complained about $mp3"; fi
  else
    echo "sounds_test: gst-launch-1.0 is not installed, $mp3 was not decoded"
  fi
done
echo "sounds_test: passed"
