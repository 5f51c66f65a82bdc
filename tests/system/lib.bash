# Helpers shared by the system tests (sourced, not run): a private work folder
# cleaned on exit, the player under test, a private PulseAudio server with a
# null sink, a private X server, and small song files written byte by byte.
#
# A test exits 0 on success, 1 on failure and 77 when a peer program it needs
# is missing (CTest reports that as skipped).

set -u

ZUN_SKIP=77

fail() { echo "FAIL: $*" >&2; exit 1; }
skip() { echo "SKIP: $*" >&2; exit "$ZUN_SKIP"; }
note() { echo "-- $*" >&2; }

need_programs() {
    local p
    for p in "$@"; do
        command -v "$p" >/dev/null 2>&1 || skip "$p is not installed"
    done
}

# The player under test: first argument of the script, else $ZUN_PLAYER, else
# the README's build.
find_player() {
    local here
    here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
    ZUN_PLAYER=${1:-${ZUN_PLAYER:-$here/../../build/zunkaraoke}}
    [ -x "$ZUN_PLAYER" ] || fail "no player executable at $ZUN_PLAYER (pass it as argument or in ZUN_PLAYER)"
    # A sanitizer build must not report leaks of a process that we end with
    # SIGTERM; real faults still abort it (and the log check below sees them).
    export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0}
}

# Private work folder; every process started through `track` is ended (by its
# own id) when the script exits, whatever the exit path.
WORK=$(mktemp -d "${TMPDIR:-/tmp}/zun-system.XXXXXX")
chmod 700 "$WORK"
TRACKED_PIDS=()
track() { TRACKED_PIDS+=("$1"); }

stop_pid() {
    # SIGTERM, then SIGKILL after a grace period; reaps the child.
    local pid=$1 i
    kill -0 "$pid" 2>/dev/null || { wait "$pid" 2>/dev/null; return 0; }
    kill -TERM "$pid" 2>/dev/null
    for i in $(seq 50); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -0 "$pid" 2>/dev/null && kill -KILL "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    return 0
}

cleanup() {
    local status=$? i
    # A failed test shows what its peers said: a client the X server refused,
    # a window manager that gave up, a sound server that stopped.
    if [ "$status" -ne 0 ] && [ "$status" -ne "$ZUN_SKIP" ]; then
        show_peer_logs
    fi
    for ((i = ${#TRACKED_PIDS[@]} - 1; i >= 0; i--)); do
        stop_pid "${TRACKED_PIDS[$i]}"
    done
    if [ -n "${KEEP_WORK:-}" ]; then
        note "work folder kept: $WORK"
    else
        rm -rf "$WORK"
    fi
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP

show_peer_logs() {
    local log
    for log in xvfb openbox pulse; do
        [ -s "$WORK/$log.log" ] || continue
        echo "-- $log's own log ($WORK/$log.log):" >&2
        cat "$WORK/$log.log" >&2
    done
}

# Polls a command until it succeeds, every 0.1 s for at most $1 seconds.
wait_until() {
    local seconds=$1 i
    shift
    for ((i = 0; i < seconds * 10; i++)); do
        "$@" >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    return 1
}

# Polls a command like wait_until while process $1 runs: returns 2 at once
# when that process has ended.
wait_while_running() {
    local pid=$1 seconds=$2 i
    shift 2
    for ((i = 0; i < seconds * 10; i++)); do
        "$@" >/dev/null 2>&1 && return 0
        kill -0 "$pid" 2>/dev/null || return 2
        sleep 0.1
    done
    return 1
}

# A fresh, empty program folder: the player writes its default settings file
# there on first use (no update check over the network by default).
make_program_dir() {
    mkdir -p "$1"
}

# Starts the player in the background with a song; PLAYER_PID, PLAYER_LOG.
start_player() {
    local song=$1
    PLAYER_LOG=$WORK/player.log
    : > "$PLAYER_LOG"
    "$ZUN_PLAYER" "$song" > "$PLAYER_LOG" 2>&1 &
    PLAYER_PID=$!
    track "$PLAYER_PID"
}

# Polls like wait_until while the player runs: a player that ended (one that
# could not open its display, say) fails the test at once, with its log.
wait_for_player() {
    local rc=0
    wait_while_running "$PLAYER_PID" "$@" || rc=$?
    check_player_alive
    return "$rc"
}

# The player must still be running (it never ends by itself while a song
# plays) and its log must hold no sanitizer report.
check_player_alive() {
    if ! kill -0 "$PLAYER_PID" 2>/dev/null; then
        wait "$PLAYER_PID"
        local rc=$?
        cat "$PLAYER_LOG" >&2
        fail "the player ended by itself (exit status $rc)"
    fi
    if grep -qE "ERROR: AddressSanitizer|runtime error:" "$PLAYER_LOG"; then
        cat "$PLAYER_LOG" >&2
        fail "the player's log holds a sanitizer report"
    fi
}

# ---------------------------------------------------------------- PulseAudio

# Starts a private PulseAudio server whose default sink is a null sink
# "test_sink"; exports PULSE_SERVER for every later client.
start_pulse() {
    local dir=$WORK/pulse
    mkdir -p "$dir/home" "$dir/runtime"
    chmod 700 "$dir" "$dir/runtime"
    export PULSE_SERVER="unix:$dir/native"
    export PULSE_RUNTIME_PATH=$dir/runtime PULSE_STATE_PATH=$dir/state
    export XDG_RUNTIME_DIR=$dir/runtime
    # `norewinds=1`: without it the recording loses up to 0.7 s when the
    # player's stream starts.
    HOME=$dir/home pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no \
        --disable-shm=yes --log-target=stderr \
        --load="module-native-protocol-unix socket=$dir/native auth-anonymous=1" \
        --load="module-null-sink sink_name=test_sink norewinds=1 rate=44100 channels=2" \
        > "$WORK/pulse.log" 2>&1 &
    PULSE_PID=$!
    track "$PULSE_PID"
    wait_until 20 pactl info || fail "the PulseAudio server did not answer"
    pactl set-default-sink test_sink || fail "cannot select the null sink"
}

# True when a client plays into the server (a stream that is not corked).
pulse_stream_running() {
    pactl list sink-inputs 2>/dev/null | grep -q "Corked: no"
}

# Records the null sink's monitor for $2 seconds into $1.
record_monitor() {
    local out=$1 seconds=$2 pid
    parecord --device=test_sink.monitor --file-format=wav "$out" &
    pid=$!
    track "$pid"
    sleep "$seconds"
    # parecord finishes its WAV header on SIGTERM (SIGINT may leave it short).
    stop_pid "$pid"
    [ -s "$out" ] || fail "parecord wrote nothing"
}

# Overall RMS level in dB of a sound file (-inf prints as a very low number).
rms_db() {
    sox "$1" -n stats 2>&1 | awk '/^RMS lev dB/ { v = $4; if (v == "-inf") v = -999; print v; exit }'
}

# ---------------------------------------------------------------- song files

# Writes the given byte values (decimal or 0x.. numbers) to stdout.
bytes() {
    local b esc
    for b in "$@"; do
        printf -v esc '\\x%02x' "$((b))"
        # shellcheck disable=SC2059 # the format is the one escape just made
        printf "$esc"
    done
}

be32() { bytes $(($1 >> 24 & 255)) $(($1 >> 16 & 255)) $(($1 >> 8 & 255)) $(($1 & 255)); }

# One meta text event at delta time $1 (< 128) of type $2 with text $3 (< 128 bytes).
meta_text() {
    bytes "$1" 0xff "$2" "${#3}"
    printf '%s' "$3"
}

# A small .kar: 120 bpm, 96 ticks per quarter note, the melody on channel 1
# (piano), one lyric event per note in the karaoke text track, $2 notes of half
# a second each (at most 40), written to $1.
write_kar() {
    local out=$1 count=$2 i note
    local words=("Sing" "ing " "in " "the " "rain " "a" "gain ")
    local tmp=$WORK/kar.tmp
    local notes=(60 62 64 65 67 69 71 72)
    {
        printf 'MThd'; be32 6; bytes 0 1 0 3 0 96
        # Conductor track: tempo 500000 us per quarter note.
        { bytes 0 0xff 0x51 3 0x07 0xa1 0x20; bytes 0 0xff 0x2f 0; } > "$tmp"
        printf 'MTrk'; be32 "$(stat -c %s "$tmp")"; cat "$tmp"
        # Karaoke words: the tag texts, then a syllable at each note.
        {
            meta_text 0 1 "@KMIDI KARAOKE FILE"
            meta_text 0 1 "@TSystem test"
            for ((i = 0; i < count; i++)); do
                local w=${words[$((i % ${#words[@]}))]}
                [ $((i % ${#words[@]})) -eq 0 ] && w="/$w"
                meta_text $((i == 0 ? 0 : 96)) 1 "$w"
            done
            bytes 0 0xff 0x2f 0
        } > "$tmp"
        printf 'MTrk'; be32 "$(stat -c %s "$tmp")"; cat "$tmp"
        # Melody: program 0, full channel volume, one quarter note each.
        {
            bytes 0 0xc0 0 0 0xb0 7 127
            for ((i = 0; i < count; i++)); do
                note=${notes[$((i % ${#notes[@]}))]}
                bytes 0 0x90 "$note" 110 96 0x80 "$note" 64
            done
            bytes 0 0xff 0x2f 0
        } > "$tmp"
        printf 'MTrk'; be32 "$(stat -c %s "$tmp")"; cat "$tmp"
    } > "$out"
    rm -f "$tmp"
}

# A 20 s silent song $1/duet.wav (16-bit mono, 8000 Hz: the audio output is
# null in the window tests anyway) with both sync files: the first line of each
# is sung within the first second, the next one only after 15 s, so the first
# line stays in the sung colour for a long while whatever the machine's speed.
write_duet_song() {
    local dir=$1
    mkdir -p "$dir"
    {
        printf 'RIFF'; bytes 0x24 0xe2 0x04 0; printf 'WAVEfmt '
        bytes 16 0 0 0 1 0 1 0 0x40 0x1f 0 0 0x80 0x3e 0 0 2 0 16 0
        printf 'data'; bytes 0 0xe2 0x04 0
        head -c 320000 /dev/zero
    } > "$dir/duet.wav"
    printf 'Hel;0,2;lo ;0,4;world;0,8;\r\nsec;15;ond;15,5;\r\n' > "$dir/duet.syk"
    printf 'Ech;0,3;o ;0,5;line;0,9;\r\nmore;15,2;\r\n' > "$dir/duet.sy1"
}

# ---------------------------------------------------------------- X server

# Starts a private X server on a free display (Xvfb picks it); exports DISPLAY.
# Xvfb writes the display's number once it takes clients, so that number is
# the sign that it is ready.
# `-noreset`: by default an X server resets itself each time its last client
# disconnects, and refuses a client that connects during the reset. Between
# two clients of a test (xwininfo or wmctrl, then openbox or the player) none
# may be connected, so the next one was now and then refused on a loaded
# machine. `-audit 2` logs each client's connection and disconnection.
start_xvfb() {
    local geometry=$1 dfile=$WORK/display
    : > "$dfile"
    Xvfb -displayfd 3 -screen 0 "$geometry" -nolisten tcp -noreset -audit 2 3> "$dfile" > "$WORK/xvfb.log" 2>&1 &
    XVFB_PID=$!
    track "$XVFB_PID"
    wait_while_running "$XVFB_PID" 20 test -s "$dfile" || fail "Xvfb did not start taking clients"
    DISPLAY=":$(head -n1 "$dfile")"
    export DISPLAY
}

# ---------------------------------------------------------------- window manager

# Starts openbox on $DISPLAY with its own empty home (no user configuration)
# and waits until it manages windows.
start_openbox() {
    local home=$WORK/openbox-home
    mkdir -p "$home"
    HOME=$home openbox --sm-disable > "$WORK/openbox.log" 2>&1 &
    OPENBOX_PID=$!
    track "$OPENBOX_PID"
    wait_while_running "$OPENBOX_PID" 20 wmctrl -m || fail "openbox did not start managing windows"
}
