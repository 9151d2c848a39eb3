#!/usr/bin/env bash
# Synthesises the five shipped event sounds into resources/sounds (needs sox).
# Each sound is a few bell-like notes (a sine with quieter overtones at two and three times its
# frequency, all fading out like a struck bell), 44100 Hz, 16-bit, mono. Made without dither, the
# files come out the same on every run.
set -euo pipefail

out="${1:-$(cd "$(dirname "$0")/.." && pwd)/resources/sounds}"
command -v sox >/dev/null || { echo "make-sounds.sh: sox is needed (apt-get install sox)" >&2; exit 1; }
mkdir -p "$out"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

rate=44100

# calc EXPRESSION: decimal arithmetic.
calc() { awk "BEGIN { print $* }"; }

# partial NAME FREQUENCY LENGTH: a sine that fades out over LENGTH seconds.
partial() {
    sox -D -n -r "$rate" -c 1 -b 16 "$work/$1.wav" synth "$3" sine "$2" \
        fade q 0.004 fade h 0 "$3" "$3"
}

# note NAME FREQUENCY LENGTH: one bell note; the overtones are quieter and die away sooner.
note() {
    local name="$1" freq="$2" len="$3"
    partial "$name-1" "$freq" "$len"
    partial "$name-2" "$(calc "$freq * 2")" "$(calc "$len * 0.6")"
    partial "$name-3" "$(calc "$freq * 3")" "$(calc "$len * 0.3")"
    sox -D -m -v 0.6 "$work/$name-1.wav" -v 0.25 "$work/$name-2.wav" -v 0.12 "$work/$name-3.wav" \
        -b 16 "$work/$name.wav"
}

# chord OUTPUT STEP LENGTH FREQUENCY...: the notes one after another, STEP seconds apart, each
# ringing for LENGTH seconds, mixed into one sound and brought to -3 dB.
chord() {
    local output="$1" step="$2" len="$3"
    shift 3
    local inputs=() i=0 freq
    for freq in "$@"; do
        note "n$i" "$freq" "$len"
        sox -D "$work/n$i.wav" "$work/p$i.wav" pad "$(calc "$i * $step")" 0
        inputs+=("$work/p$i.wav")
        i=$((i + 1))
    done
    if [ "${#inputs[@]}" -gt 1 ]; then
        sox -D -m "${inputs[@]}" -b 16 "$work/mix.wav"
    else
        cp "${inputs[0]}" "$work/mix.wav"
    fi
    sox -D "$work/mix.wav" -b 16 "$output" gain -n -3
}

# A date or time reminder: a two-note door chime, G5 then E5.
chord "$out/GenSound.wav" 0.38 1.0 783.99 659.25
# Start-up: a rising C major arpeggio.
chord "$out/Startup Sound.wav" 0.12 0.85 523.25 659.25 783.99 1046.50
# Shutdown: the same arpeggio falling.
chord "$out/ShutDown Sound.wav" 0.12 0.85 1046.50 783.99 659.25 523.25
# Internet connected: a short rising fourth, A5 to D6.
chord "$out/IConnect Sound.wav" 0.11 0.5 880.00 1174.66
# Internet disconnected: a short falling fifth, E5 to A4.
chord "$out/IDisConnect Sound.wav" 0.14 0.55 659.25 440.00

for f in "$out"/*.wav; do
    printf '%s: %ss\n' "$(basename "$f")" "$(soxi -D "$f")"
done
