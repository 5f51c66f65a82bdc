#!/usr/bin/env bash
# Where a user's settings live when ZUNKARAOKE_DIR is not set: the built player
# started in a fresh home writes its settings file under
# ~/.config/zunkaraoke, never beside the executable; settings that an older
# version left beside the executable are copied there on the first start and
# kept there afterwards.
#
# Usage: settings_folder.sh [path/to/zunkaraoke]   (or ZUN_PLAYER)
set -u
. "$(dirname "$0")/lib.bash"

find_player "${1:-}"
unset ZUNKARAOKE_DIR XDG_CONFIG_HOME DISPLAY WAYLAND_DISPLAY
export QT_QPA_PLATFORM=offscreen ZUNKARAOKE_AUDIO=null

# A copy of the player in a folder of its own, as a build folder would hold it.
mkdir -p "$WORK/build"
cp "$ZUN_PLAYER" "$WORK/build/zunkaraoke"
ZUN_PLAYER=$WORK/build/zunkaraoke

run_in_home() {
    export HOME=$1
    mkdir -p "$HOME"
    PLAYER_LOG=$WORK/player.log
    (cd "$HOME" && exec "$ZUN_PLAYER") > "$PLAYER_LOG" 2>&1 &
    PLAYER_PID=$!
    track "$PLAYER_PID"
}

# 1. A fresh start: the default settings land in ~/.config/zunkaraoke, and
# the first-run picture path names that folder.
run_in_home "$WORK/home1"
config=$WORK/home1/.config/zunkaraoke
wait_until 60 test -s "$config/PlaySyk.ini" || { cat "$PLAYER_LOG" >&2; fail "no $config/PlaySyk.ini"; }
wait_until 30 grep -q "^Path Image=$config/ZunMp3syk.jpg" "$config/PlaySyk.ini" \
    || fail "the first start did not complete in $config: $(cat "$config/PlaySyk.ini")"
check_player_alive
stop_pid "$PLAYER_PID"
[ -e "$WORK/build/PlaySyk.ini" ] && fail "settings were written beside the executable"
[ -e "$WORK/build/ZunMp3Syk.lst" ] && fail "a play list was written beside the executable"
note "fresh start wrote $config"

# 2. Settings of an older version beside the executable are copied once.
printf '[Path]\r\nPath Lst=%s\r\n[Setting]\r\nSetup=1\r\nTheme=3\r\nLangue=En\r\n' \
    "$WORK/build/ZunMp3Syk.lst" > "$WORK/build/PlaySyk.ini"
printf 'Old song;Singer;3:00;Pop;/songs/old.mp3;N;0;;;;;;\r\n' > "$WORK/build/ZunMp3Syk.lst"
run_in_home "$WORK/home2"
config=$WORK/home2/.config/zunkaraoke
wait_until 60 test -s "$config/ZunMp3Syk.lst" || { cat "$PLAYER_LOG" >&2; fail "the old list was not copied"; }
grep -q "^Theme=3" "$config/PlaySyk.ini" || fail "the old settings were not copied"
# (The list path is rewritten once the list is copied.)
wait_until 30 grep -q "^Path Lst=$config/ZunMp3Syk.lst" "$config/PlaySyk.ini" || fail "the list path still names the old folder"
cmp -s "$WORK/build/ZunMp3Syk.lst" "$config/ZunMp3Syk.lst" || fail "the copied list differs"
check_player_alive
stop_pid "$PLAYER_PID"
note "older settings copied to $config"
exit 0
