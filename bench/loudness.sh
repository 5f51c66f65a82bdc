#!/usr/bin/env bash
# Loudness of MIDI songs against a mastered MP3, as a listener gets them: the
# files of bench_loudness are played one after the other by the player at its
# default volume into a private PulseAudio server with a null sink, whose
# monitor is recorded (8 s from the 4th second of each song); sox prints the
# RMS and peak levels of each recording.
#
# Usage: bench/loudness.sh path/to/zunkaraoke path/to/bench_loudness
set -u
. "$(dirname "$0")/../tests/system/lib.bash"
need_programs pulseaudio pactl parecord sox
find_player "${1:-}"
LOUDNESS=${2:?path to bench_loudness}
export QT_QPA_PLATFORM=offscreen
unset ZUNKARAOKE_AUDIO DISPLAY WAYLAND_DISPLAY
mkdir -p "$WORK/songs"
"$LOUDNESS" "$WORK/songs" > /dev/null || fail "bench_loudness could not write its files"
start_pulse
printf '%-14s %10s %10s\n' file "RMS dBFS" "peak dBFS"
for name in mastered.mp3 typical.mid dense.mid; do
    export ZUNKARAOKE_DIR=$WORK/program-$name
    make_program_dir "$ZUNKARAOKE_DIR"
    start_player "$WORK/songs/$name"
    wait_until 60 pulse_stream_running || fail "$name: no stream on the sound server"
    sleep 4
    record_monitor "$WORK/rec-$name.wav" 8
    stop_pid "$PLAYER_PID"
    stats=$(sox "$WORK/rec-$name.wav" -n stats 2>&1)
    printf '%-14s %10s %10s\n' "$name" "$(awk '/^RMS lev dB/ {print $4; exit}' <<< "$stats")" \
        "$(awk '/^Pk lev dB/ {print $4; exit}' <<< "$stats")"
    wait_until 10 bash -c '! pactl list short sink-inputs | grep -q .' || true
done
