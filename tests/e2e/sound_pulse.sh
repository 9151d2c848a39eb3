#!/usr/bin/env bash
# Plays the shipped sounds through the program's sound output into a private PulseAudio server
# with a null sink, records the sink and measures what came out:
#  1. GenSound.wav is heard (peak above 0.1);
#  2. a second sound started into a long one stops the long one.
# Usage: sound_pulse.sh <build-dir> <source-dir>. Exit 77 when it cannot run here.
set -u

build="${1:?build folder (or the nudgelark in it)}"
source_dir="${2:?source folder}"
# Given the program rather than the build folder, the build folder is above the program's.
[ -d "$build" ] || build="$(dirname "$build")/.."
driver="$(cd "$build" 2>/dev/null && pwd)/tests/tst_soundoutput"
sounds="$source_dir/resources/sounds"

skip() { echo "skipped: $*"; exit 77; }
fail() { echo "FAIL: $*"; exit 1; }

[ -x "$driver" ] || skip "the sound test driver $driver is not built"
for tool in pulseaudio parec pactl sox; do
    command -v "$tool" >/dev/null || skip "$tool is not installed"
done
[ -f "$sounds/GenSound.wav" ] || fail "no shipped sound in $sounds"

work="$(mktemp -d)"
export XDG_RUNTIME_DIR="$work/run"
mkdir -m 700 "$XDG_RUNTIME_DIR"
export HOME="$work/home"
mkdir -p "$HOME"
unset PULSE_SERVER
parec_pid=""
recording=""

cleanup() {
    [ -n "$parec_pid" ] && kill "$parec_pid" 2>/dev/null
    if [ -f "$XDG_RUNTIME_DIR/pulse/pid" ]; then
        kill "$(cat "$XDG_RUNTIME_DIR/pulse/pid")" 2>/dev/null
    fi
    sleep 0.2
    rm -rf "$work"
}
trap cleanup EXIT

# norewinds=1 keeps the recorded length true to what was played.
pulseaudio -D -n --exit-idle-time=-1 --system=false --disallow-exit \
    --load=module-native-protocol-unix \
    --load="module-null-sink sink_name=ci_sink norewinds=1" \
    --log-target=file:"$work/pulse.log" 2>"$work/pulse.err" ||
    skip "the audio server cannot start here ($(tail -n 1 "$work/pulse.err" "$work/pulse.log" 2>/dev/null | tr '\n' ' '))"
for _ in $(seq 50); do
    pactl info >/dev/null 2>&1 && break
    sleep 0.1
done
pactl info >/dev/null 2>&1 || skip "the audio server does not answer"
pactl set-default-sink ci_sink >/dev/null 2>&1

# record OUTPUT: starts recording the sink's monitor into OUTPUT (raw 44100 Hz, 16-bit, stereo).
# It returns once the server streams into the recording, and the file has begun to grow.
record() {
    local start=$SECONDS
    recording=$1
    parec -d ci_sink.monitor --raw --rate=44100 --format=s16le --channels=2 >"$1" &
    parec_pid=$!
    until [ "$(stat -c %s "$1" 2>/dev/null || echo 0)" -gt 0 ]; do
        ((SECONDS - start < 30)) || fail "the recording did not start"
        sleep 0.05
    done
}
# Stops once the recording holds 0.3 s more than when the sound had ended, so the sink's latency
# cannot cut its tail off.
stop_recording() {
    local start=$SECONDS want
    want=$(( $(stat -c %s "$recording") + 44100 * 4 * 3 / 10 ))
    until [ "$(stat -c %s "$recording")" -ge "$want" ]; do
        ((SECONDS - start < 30)) || fail "the recording stopped growing"
        sleep 0.05
    done
    kill -INT "$parec_pid" 2>/dev/null
    wait "$parec_pid" 2>/dev/null
    parec_pid=""
}
raw=(-t raw -r 44100 -e signed -b 16 -c 2)
peak() { sox "${raw[@]}" "$1" -n stat 2>&1 | awk '/Maximum amplitude/ { print $3 }'; }
# audible_seconds RAW: the length from the first to the last sample above 1% of full scale.
audible_seconds() {
    sox "${raw[@]}" "$1" "${raw[@]}" "$work/trimmed.raw" silence 1 0.001 1% reverse silence 1 0.001 1% reverse
    sox "${raw[@]}" "$work/trimmed.raw" -n stat 2>&1 | awk '/Length \(seconds\)/ { print $3 }'
}
play() {
    QT_QPA_PLATFORM=offscreen QT_LOGGING_RULES='qt.multimedia*=false' "$driver" realAudio_driver >"$work/driver.log" 2>&1 ||
        { cat "$work/driver.log"; fail "the driver failed"; }
}

# reference FILE: the audible length of a sound file itself, measured the same way.
reference() {
    sox "$1" "${raw[@]}" "$work/reference.raw"
    audible_seconds "$work/reference.raw"
}
# calc EXPRESSION: decimal arithmetic.
calc() { awk "BEGIN { print $* }"; }
# within VALUE LOW HIGH: LOW < VALUE < HIGH, in decimals.
within() { awk -v v="${1:-0}" -v lo="$2" -v hi="$3" 'BEGIN { exit !(v > lo && v < hi) }'; }

# 1. One sound is heard, whole.
expected="$(reference "$sounds/GenSound.wav")"
record "$work/one.raw"
NUDGELARK_AUDIO_FIRST="$sounds/GenSound.wav" NUDGELARK_AUDIO_HOLD_MS=2000 play
stop_recording
level="$(peak "$work/one.raw")"
length="$(audible_seconds "$work/one.raw")"
echo "GenSound.wav: peak $level, audible for ${length}s of ${expected}s ($(grep -o 'first play returned.*' "$work/driver.log"))"
within "$level" 0.1 2 || fail "GenSound.wav was not heard (peak ${level:-none})"
within "$length" "$(calc "$expected - 0.2")" "$(calc "$expected + 0.3")" ||
    fail "GenSound.wav was heard for ${length}s, the file holds ${expected}s"

# 2. A second sound stops the first: a tone of 8 s, then a short sound with a blank in its name,
# started 200 ms later (the tone has hardly begun) and 1000 ms later (the tone is surely heard).
# What is heard is at most the start of the tone and the whole short sound.
sox -n -r 44100 -b 16 -c 1 "$work/long tone.wav" synth 8 sine 440 vol 0.5
expected="$(reference "$sounds/IConnect Sound.wav")"
for gap in 200 1000; do
    record "$work/two-$gap.raw"
    NUDGELARK_AUDIO_FIRST="$work/long tone.wav" NUDGELARK_AUDIO_SECOND="$sounds/IConnect Sound.wav" \
        NUDGELARK_AUDIO_GAP_MS=$gap NUDGELARK_AUDIO_HOLD_MS=2500 play
    stop_recording
    level="$(peak "$work/two-$gap.raw")"
    length="$(audible_seconds "$work/two-$gap.raw")"
    echo "8 s tone, then IConnect Sound.wav (${expected}s) after $gap ms: peak $level, audible for ${length}s"
    within "$level" 0.1 2 || fail "nothing was heard (peak ${level:-none})"
    within "$length" "$(calc "$expected - 0.2")" "$(calc "$expected + $gap / 1000 + 1.2")" ||
        fail "sound heard for ${length}s: the second sound did not stop the 8 s tone"
done
# With 1000 ms between them, the tone was heard before the short sound replaced it.
within "$length" "$(calc "$expected + 0.4")" 100 ||
    fail "only ${length}s heard: the tone did not play before the second sound"

echo "ok"
