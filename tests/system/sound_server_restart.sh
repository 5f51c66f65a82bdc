#!/usr/bin/env bash
# The sound comes back when the sound server does: a song plays into a private
# PulseAudio server, the server is stopped in the middle of the song and
# started again; without any restart of the player or press of Play, its
# stream must run again on the new server and the recording must be loud.
# This is done twice: after a short outage, then after a long one (a client
# library that gives up reconnecting after a few seconds fails the second).
# When the song has ended, the player's stream must go away (the sink may
# then suspend).
#
# Usage: sound_server_restart.sh [path/to/zunkaraoke]   (or ZUN_PLAYER)
# Exit 77 (skipped) when pulseaudio, pactl, parecord or sox is missing.
set -u
. "$(dirname "$0")/lib.bash"

need_programs pulseaudio pactl parecord sox
find_player "${1:-}"

export QT_QPA_PLATFORM=offscreen
unset ZUNKARAOKE_AUDIO DISPLAY WAYLAND_DISPLAY
MIN_RMS_DB=-20

start_pulse
export ZUNKARAOKE_DIR=$WORK/program
make_program_dir "$ZUNKARAOKE_DIR"

# A tone long enough for the whole test, with a sync file (the lyric path).
mkdir -p "$WORK/songs"
SONG_SECONDS=35
sox -n -r 44100 -c 2 "$WORK/songs/tone.wav" synth "$SONG_SECONDS" sine 440 vol 0.5 || fail "sox cannot write a WAV"
printf 'La ;0,5;la ;1;la;1,5;\r\nsec;3;ond ;3,5;line;4;\r\n' > "$WORK/songs/tone.syk"
start_player "$WORK/songs/tone.wav"
STARTED=$SECONDS
wait_until 60 pulse_stream_running || { check_player_alive; cat "$PLAYER_LOG" >&2; fail "no running stream on the sound server"; }
sleep 1

# Stops the server for $1 seconds, starts it again at the same socket and
# checks that the player's sound comes back by itself.
outage() {
    local seconds=$1 level
    note "stopping the sound server in the middle of the song for $seconds s"
    stop_pid "$PULSE_PID"
    sleep "$seconds"
    check_player_alive
    note "starting it again"
    start_pulse
    # The player tries its device again every few seconds while it is lost.
    wait_until 15 pulse_stream_running || { check_player_alive; cat "$PLAYER_LOG" >&2; fail "the sound did not come back after a $seconds s outage"; }
    record_monitor "$WORK/after-$seconds.wav" 2
    check_player_alive
    level=$(rms_db "$WORK/after-$seconds.wav")
    note "RMS level after a $seconds s outage: $level dB"
    [ -n "$level" ] || fail "sox could not read the recording"
    awk -v l="$level" -v m="$MIN_RMS_DB" 'BEGIN { exit !(l > m) }' \
        || fail "the recording after a $seconds s outage is silent or too quiet ($level dB)"
}
outage 1
outage 7

# The song kept its own time while the server was away: it ends about when a
# song started at STARTED would; then the player's stream goes away.
remaining=$((SONG_SECONDS - (SECONDS - STARTED) + 10))
[ "$remaining" -gt 0 ] || remaining=5
wait_until "$remaining" bash -c '! pactl list short sink-inputs | grep -q .' \
    || { pactl list sink-inputs >&2; fail "the player's stream still runs $((SECONDS - STARTED)) s after a ${SONG_SECONDS} s song began"; }
check_player_alive
echo "PASS: the sound came back with the server, and the output rests after the song"
