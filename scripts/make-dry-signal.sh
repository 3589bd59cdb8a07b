#!/usr/bin/env bash
# Makes the dry test signal of the auditorium example: four plucked notes and a
# short hand-clap-like noise burst, mono, 44.1 kHz, 16 bit, synthesised by sox.
# Usage: scripts/make-dry-signal.sh [output.wav]
set -euo pipefail
out=${1:-examples/auditorium/dry.wav}
sox -n -r 44100 -c 1 -b 16 "$out" \
    synth 0.35 pluck C3 : synth 0.35 pluck E3 : synth 0.35 pluck G3 : synth 0.6 pluck C4 : \
    synth 0.02 whitenoise fade 0 0.02 0.018 : trim 0 0.4 \
    gain -n -3
