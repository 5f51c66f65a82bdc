#!/usr/bin/env bash
# The two lyric windows under a real window manager (openbox on a private Xvfb
# server), driven as a user would: the built player plays a song with a .syk
# and an echo .sy1 file, so the second lyric window shows docked under the main
# one. Then, with the real pointer and the manager's own requests:
# - dragging either window by its surface moves the pair by the pointer's travel,
#   also straight sideways;
# - the window manager moving the main window takes the second one along;
# - maximising the main lyric window makes it a normal window at 0,0, half the
#   screen high and the screen's width, the second docked under it, on screen;
# - the F6 screen preset gives both windows a quarter of the screen, docked;
# - dragging the second window up and to the right with the main window at the
#   top of the screen keeps the pair whole on the screen;
# - minimising the main lyric window minimises the second one too.
# Then a fresh player with its default settings opens the song editor: the
# lyric window at its default place leaves the editor whole. Last, with 40 px
# title bars, a pair too high for the screen shares it, edge to edge.
#
# Usage: window_manager_lyric_windows.sh [path/to/zunkaraoke]   (or ZUN_PLAYER)
# Exit 77 (skipped) when Xvfb, openbox, xdotool, wmctrl, xprop or xwininfo is missing.
set -u
. "$(dirname "$0")/lib.bash"

need_programs Xvfb openbox xdotool wmctrl xprop xwininfo
find_player "${1:-}"

SCREEN_W=1280
SCREEN_H=1024
# The player counts a window's frame with fixed border sizes (8 px across,
# 30 px down); the manager's real frame may differ by that much.
FRAME_SLACK_W=8
FRAME_SLACK_H=30
# Room between the main window's frame and the second window's: none, they meet.
MAX_DOCK_GAP=0

unset WAYLAND_DISPLAY
export QT_QPA_PLATFORM=xcb ZUNKARAOKE_AUDIO=null
start_xvfb "${SCREEN_W}x${SCREEN_H}x24"
start_openbox
note "X server on $DISPLAY with openbox"

write_duet_song "$WORK/songs"

export ZUNKARAOKE_DIR=$WORK/program
make_program_dir "$ZUNKARAOKE_DIR"
start_player "$WORK/songs/duet.wav"

# Client area of a window: "x y w h" (screen pixels).
client_geom() {
    xwininfo -id "$1" 2>/dev/null | awk '
        /Absolute upper-left X:/ { x = $NF }
        /Absolute upper-left Y:/ { y = $NF }
        /^ *Width:/ { w = $NF }
        /^ *Height:/ { h = $NF }
        END { if (w != "") print x, y, w, h }'
}

# The manager's frame around a window: "x y w h".
frame_geom() {
    local x y w h l r t b
    read -r x y w h <<< "$(client_geom "$1")"
    [ -n "${h:-}" ] || return 1
    read -r l r t b <<< "$(xprop -id "$1" _NET_FRAME_EXTENTS 2>/dev/null | sed -n 's/.*= *//p' | tr -d ',')"
    echo "$((x - ${l:-0})) $((y - ${t:-0})) $((w + ${l:-0} + ${r:-0})) $((h + ${t:-0} + ${b:-0}))"
}

# The main lyric window's caption ends with the song's length; the second is
# the other player window as wide, with the same left edge, below it.
find_lyric_windows() {
    MAIN=$(wmctrl -l 2>/dev/null | awk '/Zun Mp3 Karaoke .*[0-9]:[0-9][0-9] *$/ { print $1; exit }')
    [ -n "$MAIN" ] || return 1
    local mx my mw id x y w
    read -r mx my mw _ <<< "$(client_geom "$MAIN")"
    K1=""
    for id in $(wmctrl -l 2>/dev/null | awk '/Zun Mp3 Karaoke *$/ { print $1 }'); do
        read -r x y w _ <<< "$(client_geom "$id")"
        if [ "$x" = "$mx" ] && [ "$w" = "$mw" ] && [ "$y" -gt "$my" ]; then
            K1=$id
            return 0
        fi
    done
    return 1
}

iconic() { xprop -id "$1" WM_STATE 2>/dev/null | grep -q "window state: Iconic"; }
maximised() { xprop -id "$1" _NET_WM_STATE 2>/dev/null | grep -q MAXIMIZED; }

# Presses the left button at the middle of a window's client area, moves the
# pointer by dx, dy in two steps and lets go.
drag_by() {
    local id=$1 dx=$2 dy=$3 x y w h
    read -r x y w h <<< "$(client_geom "$id")"
    xdotool mousemove $((x + w / 2)) $((y + h / 2 + 10))
    sleep 0.3
    xdotool mousedown 1
    sleep 0.2
    xdotool mousemove_relative -- "$dx" 0
    sleep 0.2
    xdotool mousemove_relative -- 0 "$dy"
    sleep 0.2
    xdotool mouseup 1
}

# The pair moved by dx, dy from the places "$3" and "$4" (client "x y w h").
pair_moved_by() {
    local dx=$1 dy=$2 x0 y0 x1 y1 x y
    read -r x0 y0 _ <<< "$3"
    read -r x1 y1 _ <<< "$4"
    read -r x y _ <<< "$(client_geom "$MAIN")"
    [ "$x" -eq $((x0 + dx)) ] && [ "$y" -eq $((y0 + dy)) ] || return 1
    read -r x y _ <<< "$(client_geom "$K1")"
    [ "$x" -eq $((x1 + dx)) ] && [ "$y" -eq $((y1 + dy)) ]
}

# Each check says what went wrong and the next one still runs.
PROBLEMS=0
problem() { echo "FAIL: $*" >&2; PROBLEMS=$((PROBLEMS + 1)); }

for _ in $(seq 60); do
    check_player_alive
    find_lyric_windows && break
    sleep 0.5
done
[ -n "${K1:-}" ] || { wmctrl -l -G >&2; fail "the two lyric windows did not show"; }

# Both windows at rest: the same places over half a second (the docking timer
# and the window manager may still be moving them, later on a loaded machine).
GEOM_SEEN=""
at_rest() {
    local now
    now="$(client_geom "$MAIN") $(client_geom "$K1")"
    [ "$now" = "$GEOM_SEEN" ] && return 0
    GEOM_SEEN=$now
    sleep 0.5
    return 1
}
wait_until 15 at_rest || note "the windows kept moving: $GEOM_SEEN"
note "main lyric window $MAIN at $(client_geom "$MAIN"), second $K1 at $(client_geom "$K1")"

# Drags window $1 (MAIN or K1) by $2, $3 once both windows are at rest, then
# checks that the pair moved by that much.
drag_pair() {
    local who=$1 dx=$2 dy=$3 before_main before_k1
    GEOM_SEEN=""
    wait_until 15 at_rest || note "the windows kept moving: $GEOM_SEEN"
    before_main=$(client_geom "$MAIN")
    before_k1=$(client_geom "$K1")
    drag_by "${!who}" "$dx" "$dy"
    if ! wait_until 10 pair_moved_by "$dx" "$dy" "$before_main" "$before_k1"; then
        problem "dragging the $who window by $dx,$dy moved the main window from $before_main to $(client_geom "$MAIN") and the second from $before_k1 to $(client_geom "$K1")"
    fi
    check_player_alive
}

# ---- dragging the second window, then the main one, by their surfaces; the
# last drag is straight sideways, which changes no top edge
drag_pair K1 10 7
drag_pair MAIN 20 -5
drag_pair MAIN 30 0

# ---- the window manager alone moves the main window: the docking, asleep
# while the pair rested, wakes and takes the second one along
GEOM_SEEN=""
wait_until 15 at_rest || note "the windows kept moving: $GEOM_SEEN"
read -r wx wy _ <<< "$(frame_geom "$MAIN")"
wmctrl -i -r "$MAIN" -e "0,$((wx + 40)),$((wy + 25)),-1,-1"
# The frames (globals mx my mw mh, kx ky kw kh): the second's right under the main one's.
docked_frames() {
    read -r mx my mw mh <<< "$(frame_geom "$MAIN")"
    read -r kx ky kw kh <<< "$(frame_geom "$K1")"
    [ -n "${kh:-}" ] && [ "$kx" -eq "$mx" ] && [ "$ky" -ge $((my + mh)) ] && [ "$ky" -le $((my + mh + MAX_DOCK_GAP)) ]
}
second_under_main() { docked_frames && [ "$mx" -ne "$wx" ]; }
wait_until 10 second_under_main || problem "after the window manager moved the main window: main frame $(frame_geom "$MAIN"), second frame $(frame_geom "$K1")"
check_player_alive

# ---- maximising the main lyric window while the second is shown
wmctrl -i -r "$MAIN" -b add,maximized_vert,maximized_horz
half_screen_layout() {
    local mx my mw mh kx ky kw kh
    maximised "$MAIN" && return 1
    read -r mx my mw mh <<< "$(frame_geom "$MAIN")"
    read -r kx ky kw kh <<< "$(frame_geom "$K1")"
    [ "$mx" -eq 0 ] && [ "$my" -eq 0 ] || return 1
    [ $((SCREEN_W - mw)) -ge 0 ] && [ $((SCREEN_W - mw)) -le "$FRAME_SLACK_W" ] || return 1
    [ $((mh - SCREEN_H / 2)) -le "$FRAME_SLACK_H" ] && [ $((SCREEN_H / 2 - mh)) -le "$FRAME_SLACK_H" ] || return 1
    [ "$kx" -eq "$mx" ] && [ "$kw" -eq "$mw" ] || return 1
    [ "$ky" -ge $((my + mh)) ] && [ "$ky" -le $((my + mh + MAX_DOCK_GAP)) ] || return 1
    [ $((ky + kh)) -le "$SCREEN_H" ]
}
if ! wait_until 15 half_screen_layout; then
    problem "after maximising: main frame $(frame_geom "$MAIN") (maximised: $(maximised "$MAIN" && echo yes || echo no)), second frame $(frame_geom "$K1")"
fi
note "after maximising: main $(frame_geom "$MAIN"), second $(frame_geom "$K1")"
check_player_alive

# ---- a screen preset key (F6: a quarter of the screen each) while docked
xdotool windowactivate --sync "$MAIN" >/dev/null 2>&1
xdotool key F6
quarter_screen_layout() {
    local mx my mw mh kx ky kw kh
    read -r mx my mw mh <<< "$(frame_geom "$MAIN")"
    read -r kx ky kw kh <<< "$(frame_geom "$K1")"
    [ "$mx" -eq 0 ] || return 1
    [ $((SCREEN_W - mw)) -ge 0 ] && [ $((SCREEN_W - mw)) -le "$FRAME_SLACK_W" ] || return 1
    [ $((mh - SCREEN_H / 4)) -le "$FRAME_SLACK_H" ] && [ $((SCREEN_H / 4 - mh)) -le "$FRAME_SLACK_H" ] || return 1
    [ "$kx" -eq "$mx" ] && [ "$kw" -eq "$mw" ] || return 1
    [ "$ky" -ge $((my + mh)) ] && [ "$ky" -le $((my + mh + MAX_DOCK_GAP)) ] || return 1
    [ $((ky + kh)) -le "$SCREEN_H" ]
}
if ! wait_until 15 quarter_screen_layout; then
    problem "after F6: main frame $(frame_geom "$MAIN"), second frame $(frame_geom "$K1")"
fi
check_player_alive

# ---- the second window dragged up and to the right while the main window, as
# wide as the screen, is at its top: the pair stays whole on the screen
pair_on_screen() {
    local mx my mw mh kx ky kw kh
    read -r mx my mw mh <<< "$(frame_geom "$MAIN")"
    read -r kx ky kw kh <<< "$(frame_geom "$K1")"
    [ "$mx" -ge 0 ] && [ "$my" -ge 0 ] && [ $((mx + mw)) -le "$SCREEN_W" ] || return 1
    [ "$kx" -eq "$mx" ] && [ "$ky" -ge $((my + mh)) ] && [ "$ky" -le $((my + mh + MAX_DOCK_GAP)) ] || return 1
    [ $((kx + kw)) -le "$SCREEN_W" ] && [ $((ky + kh)) -le "$SCREEN_H" ]
}
GEOM_SEEN=""
wait_until 15 at_rest || note "the windows kept moving: $GEOM_SEEN"
note "before the drag up and right: main $(frame_geom "$MAIN"), second $(frame_geom "$K1")"
drag_by "$K1" 150 -60
sleep 0.5
GEOM_SEEN=""
wait_until 15 at_rest || note "the windows kept moving: $GEOM_SEEN"
pair_on_screen || problem "after dragging the second window up and right: main frame $(frame_geom "$MAIN"), second frame $(frame_geom "$K1")"
# The pair still moves where the screen leaves room.
drag_pair K1 0 40

# ---- minimising the main lyric window
xdotool windowminimize "$MAIN"
wait_until 10 iconic "$MAIN" || fail "the window manager did not minimise the main lyric window"
wait_until 10 iconic "$K1" || problem "minimising the main lyric window left the second one shown"
check_player_alive

# ---- the song editor opened with every window at its default place
stop_pid "$PLAYER_PID"
mkdir -p "$WORK/solo"
cp "$WORK/songs/duet.wav" "$WORK/solo/solo.wav"
cp "$WORK/songs/duet.syk" "$WORK/solo/solo.syk"
export ZUNKARAOKE_DIR=$WORK/program-defaults
make_program_dir "$ZUNKARAOKE_DIR"
start_player "$WORK/solo/solo.wav"

# The main window's caption is the program's name alone; the lyric window's
# ends with the song's length.
find_player_windows() {
    PLAYER_WIN=$(wmctrl -l 2>/dev/null | awk '/Zun Mp3 Karaoke *$/ { print $1; exit }')
    LYRIC_WIN=$(wmctrl -l 2>/dev/null | awk '/Zun Mp3 Karaoke .*[0-9]:[0-9][0-9] *$/ { print $1; exit }')
    [ -n "$PLAYER_WIN" ] && [ -n "$LYRIC_WIN" ]
}
find_editor() {
    EDITOR_WIN=$(wmctrl -l 2>/dev/null | awk '/ Edit Syk *$/ { print $1; exit }')
    [ -n "$EDITOR_WIN" ]
}
# Clicks the main window's button whose middle is $1, $2 twips into its client area.
click_player_at() {
    local x y
    read -r x y _ <<< "$(client_geom "$PLAYER_WIN")"
    xdotool mousemove $((x + $1 / 15)) $((y + $2 / 15)) click 1
}
wait_for_player 30 find_player_windows || { wmctrl -l -G >&2; fail "the fresh player did not show its main and lyric windows"; }
sleep 1
check_player_alive
# Stop (left 1120, top 4205, 910 by 445), then the editor button (left 5005).
click_player_at $((1120 + 455)) $((4205 + 222))
sleep 1
click_player_at $((5005 + 450)) $((4205 + 222))
wait_until 20 find_editor || { wmctrl -l -G >&2; fail "the song editor did not open"; }
editor_whole() {
    local ex ey ew eh lx ly lw lh
    read -r ex ey ew eh <<< "$(frame_geom "$EDITOR_WIN")"
    read -r lx ly lw lh <<< "$(frame_geom "$LYRIC_WIN")"
    [ -n "${eh:-}" ] && [ -n "${lh:-}" ] || return 1
    # Side by side, or the lyric window wholly under the editor's frame.
    [ $((lx + lw)) -le "$ex" ] || [ "$lx" -ge $((ex + ew)) ] || [ "$ly" -ge $((ey + eh)) ]
}
sleep 1
# The lyric window comes to the front as when the user clicks it.
xdotool windowactivate --sync "$LYRIC_WIN" >/dev/null 2>&1
sleep 0.5
note "editor frame $(frame_geom "$EDITOR_WIN"), lyric window frame $(frame_geom "$LYRIC_WIN")"
editor_whole || problem "the lyric window at its default place covers the song editor: editor frame $(frame_geom "$EDITOR_WIN"), lyric window frame $(frame_geom "$LYRIC_WIN")"
check_player_alive

# ---- lyric windows 600 px high each on the 1024 px screen, title bars in a
# 20-point font (40 px high): each takes half of the screen, frames counted.
stop_pid "$PLAYER_PID"
mkdir -p "$WORK/openbox-home/.config/openbox"
sed '/<font place="\(Active\|Inactive\)Window">/,/<\/font>/s|<size>[0-9]*</size>|<size>20</size>|' \
    /etc/xdg/openbox/rc.xml > "$WORK/openbox-home/.config/openbox/rc.xml" || skip "no openbox configuration to start from"
HOME=$WORK/openbox-home openbox --reconfigure || fail "openbox did not take its new title font"
INI=$ZUNKARAOKE_DIR/PlaySyk.ini
sed -i '/^\[Kar Windows\]/,/^\[/{s/^Top=.*/Top=600/;s/^Height=.*/Height=9000/}' "$INI"
grep -q '^Height=9000' "$INI" || fail "the lyric window's height could not be set in $INI"
start_player "$WORK/songs/duet.wav"
MAIN=""
K1=""
wait_for_player 30 find_lyric_windows || { wmctrl -l -G >&2; fail "the two lyric windows did not show for the tall song"; }
GEOM_SEEN=""
wait_until 15 at_rest || note "the windows kept moving: $GEOM_SEEN"
pair_shares_the_screen() {
    docked_frames && [ "$my" -ge 0 ] && [ $((ky + kh)) -le "$SCREEN_H" ] && [ $((ky + kh)) -ge $((SCREEN_H - 2)) ]
}
note "tall song: main frame $(frame_geom "$MAIN"), second frame $(frame_geom "$K1")"
wait_until 10 pair_shares_the_screen || problem "a pair too high for the screen: main frame $(frame_geom "$MAIN"), second frame $(frame_geom "$K1") on a ${SCREEN_H} px screen"
check_player_alive

[ "$PROBLEMS" -eq 0 ] || exit 1
echo "PASS: drags move the pair and keep it on the screen, maximising and F6 share the screen, minimising takes both, the editor opens whole, a tall pair shares the screen"
