#!/usr/bin/env bash
# A sound server that hangs never stalls the player's window. The player plays
# a song while its sound server is replaced by stand-ins on the same socket: one
# that accepts connections and never answers (a server stuck after an outage),
# one that answers garbage, one that closes at once. Meanwhile the window's
# thread (the process's main thread) is watched through /proc: it must never
# sit waiting on a lock or condition (futex) for long, as it did while each try
# to reach the server waited for its answer. The player is also started with
# the stuck server already there. At the end the real server comes back and
# the sound with it.
#
# Usage: sound_server_hangs.sh [path/to/zunkaraoke]   (or ZUN_PLAYER)
# Exit 77 (skipped) when pulseaudio, pactl, sox or perl is missing, or when the
# main thread's system call cannot be read.
set -u
. "$(dirname "$0")/lib.bash"

need_programs pulseaudio pactl sox perl
find_player "${1:-}"

case "$(uname -m)" in
    x86_64) FUTEX=202 ;;
    aarch64) FUTEX=98 ;;
    *) skip "no futex call number known for $(uname -m)" ;;
esac

export QT_QPA_PLATFORM=offscreen
unset ZUNKARAOKE_AUDIO DISPLAY WAYLAND_DISPLAY
export ZUNKARAOKE_DIR=$WORK/program
make_program_dir "$ZUNKARAOKE_DIR"
mkdir -p "$WORK/songs"
sox -n -r 44100 -c 2 "$WORK/songs/tone.wav" synth 60 sine 440 vol 0.5 || fail "sox cannot write a WAV"

SOCKET=$WORK/pulse/native
mkdir -p "$WORK/pulse"

# A stand-in server on $SOCKET: "silent" accepts and never answers, "garbage"
# answers nonsense and keeps the connection, "close" closes it at once.
FAKE_PID=
start_fake() {
    rm -f "$SOCKET"
    perl -e '
        use strict; use IO::Socket::UNIX;
        my ($path, $mode) = @ARGV;
        my $s = IO::Socket::UNIX->new(Type => SOCK_STREAM(), Local => $path, Listen => 16) or die "listen: $!";
        my @keep;
        while (my $c = $s->accept) {
            if ($mode eq "close") { close $c; next; }
            if ($mode eq "garbage") { syswrite $c, "HTTP/1.0 400 Bad\r\n\r\n\xff\xfe\x01\x02 garbage"; }
            push @keep, $c;
        }' "$SOCKET" "$1" > "$WORK/fake.log" 2>&1 &
    FAKE_PID=$!
    track "$FAKE_PID"
    wait_until 10 test -S "$SOCKET" || fail "the stand-in server did not start"
}
stop_fake() {
    stop_pid "$FAKE_PID"
    rm -f "$SOCKET"
}

# Watches the player's main thread for $1 seconds and fails when it stays in
# one futex wait for more than $2 seconds ($3 names the situation).
watch_window_thread() {
    local seconds=$1 limit=$2 what=$3 call now start="" longest=0
    local stat=/proc/$PLAYER_PID/task/$PLAYER_PID/syscall
    [ -r "$stat" ] || skip "cannot read $stat"
    local end=$(($(date +%s%N) + seconds * 1000000000))
    while :; do
        now=$(date +%s%N)
        [ "$now" -lt "$end" ] || break
        call=$(cut -d' ' -f1 "$stat" 2>/dev/null) || call=""
        if [ "$call" = "$FUTEX" ]; then
            [ -n "$start" ] || start=$now
            [ $((now - start)) -gt "$longest" ] && longest=$((now - start))
        else
            start=""
        fi
        sleep 0.02
    done
    check_player_alive
    note "$what: the window's thread waited at most $((longest / 1000000)) ms at a time"
    [ "$longest" -le $((limit * 1000000000 / 1000)) ] \
        || fail "$what: the window's thread waited $((longest / 1000000)) ms on end"
}
LIMIT_MS=600

# 1. The stuck server is there when the song starts.
start_fake silent
export PULSE_SERVER=unix:$SOCKET
start_player "$WORK/songs/tone.wav"
watch_window_thread 7 "$LIMIT_MS" "song start with a server that never answers"
stop_pid "$PLAYER_PID"
stop_fake

# 2. A song plays on the real server; the server goes and stand-ins take its
# socket in turn; the player keeps trying to reach them.
start_pulse
[ "$PULSE_SERVER" = "unix:$SOCKET" ] || fail "unexpected server socket $PULSE_SERVER"
start_player "$WORK/songs/tone.wav"
wait_until 60 pulse_stream_running || { check_player_alive; cat "$PLAYER_LOG" >&2; fail "no running stream on the sound server"; }
stop_pid "$PULSE_PID"
for mode in silent garbage close; do
    start_fake "$mode"
    watch_window_thread 5 "$LIMIT_MS" "sound server replaced by one that $mode"
    stop_fake
done

# 3. The real server comes back, and the sound with it.
start_pulse
wait_until 15 pulse_stream_running || { check_player_alive; cat "$PLAYER_LOG" >&2; fail "the sound did not come back"; }
check_player_alive
echo "PASS: the window's thread never waited on the sound server"
