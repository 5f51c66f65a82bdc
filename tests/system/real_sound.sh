#!/usr/bin/env bash
# The player really sounds: an audio song (WAV with its .syk) and a MIDI
# karaoke song (.kar) are each played by the built player into a private
# PulseAudio server with a null sink, whose monitor is recorded; the recording
# must be well above silence, and the player must still be running cleanly.
#
# Usage: real_sound.sh [path/to/zunkaraoke]   (or ZUN_PLAYER in the environment)
# Exit 77 (skipped) when pulseaudio, pactl, parecord or sox is missing.
set -u
. "$(dirname "$0")/lib.bash"

need_programs pulseaudio pactl parecord sox
find_player "${1:-}"

export QT_QPA_PLATFORM=offscreen
unset ZUNKARAOKE_AUDIO DISPLAY WAYLAND_DISPLAY
# The small General MIDI bank loads fastest; the player falls back on its own
# choice when it is not there.
[ -f /usr/share/sounds/sf2/TimGM6mb.sf2 ] && export ZUNKARAOKE_SOUNDFONT=/usr/share/sounds/sf2/TimGM6mb.sf2

# A recording starts once the player's stream runs and lasts this long; the
# songs are longer, so the whole recording falls inside the song even when a
# loaded machine starts the player slowly.
RECORD_SECONDS=3
# Silence records as -inf dB. The tone below is -9 dB RMS in the file and the
# player starts at full volume, so a level far under it means lost or
# attenuated sound; the synthesised piano melody, a single line of notes, is
# quieter (around -23 dB with the small SoundFont at the default volume) but
# must not fall back to the synthesiser's own quiet default (around -40 dB).
MIN_RMS_DB_WAV=-20
MIN_RMS_DB_KAR=-32

start_pulse

# Plays $1 and checks that the recording's RMS level is above $3 dB; $2 names
# the case in messages.
play_and_measure() {
    local song=$1 name=$2 min_db=$3 capture=$WORK/capture-$2.wav level
    export ZUNKARAOKE_DIR=$WORK/program-$name
    make_program_dir "$ZUNKARAOKE_DIR"
    start_player "$song"
    if ! wait_until 60 pulse_stream_running; then
        check_player_alive
        pactl list sink-inputs >&2
        cat "$PLAYER_LOG" >&2
        fail "$name: the player opened no running stream on the sound server"
    fi
    record_monitor "$capture" "$RECORD_SECONDS"
    check_player_alive
    stop_pid "$PLAYER_PID"
    level=$(rms_db "$capture")
    note "$name: RMS level of the recording $level dB"
    [ -n "$level" ] || fail "$name: sox could not read the recording"
    awk -v l="$level" -v m="$min_db" 'BEGIN { exit !(l > m) }' \
        || { sox "$capture" -n stats >&2; fail "$name: the recording is silent or too quiet ($level dB, expected above $min_db dB)"; }
    # Keep the recordings for a listener when the build asks for them.
    [ -n "${ZUN_ARTIFACTS:-}" ] && mkdir -p "$ZUN_ARTIFACTS" && cp "$capture" "$ZUN_ARTIFACTS/"
    # The next song starts on a server with no stream left.
    wait_until 10 bash -c '! pactl list short sink-inputs | grep -q .' || true
}

# Audio song: an 8 s tone with a sync file beside it, given by its relative
# name; named like a toolkit option, an existing file is a song all the same.
mkdir -p "$WORK/songs"
ZUN_PLAYER=$(cd "$(dirname "$ZUN_PLAYER")" && pwd)/$(basename "$ZUN_PLAYER")
cd "$WORK/songs" || fail "no songs folder"
sox -n -r 44100 -c 2 ./-style=tone.wav synth 8 sine 440 vol 0.5 || fail "sox cannot write a WAV"
printf 'La ;0,5;la ;1;la;1,5;\r\nsec;3;ond ;3,5;line;4;\r\n' > ./-style=tone.syk
play_and_measure -style=tone.wav wav "$MIN_RMS_DB_WAV"

# MIDI karaoke song: 16 notes of half a second, lyric events in the words track.
write_kar "$WORK/songs/melody.kar" 16
play_and_measure "$WORK/songs/melody.kar" kar "$MIN_RMS_DB_KAR"

echo "PASS: both songs sound"
