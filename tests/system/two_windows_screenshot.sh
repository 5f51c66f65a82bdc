#!/usr/bin/env bash
# The two lyric windows on a real X display: a song with a .syk and an echo
# .sy1 file is played by the built player under a private Xvfb server (silent
# audio output); the screen is grabbed and must show the main lyric window and
# the second lyric window, both viewable, the second docked directly under the
# first with the same left edge and width, and the sung colour (the default
# FontColorActif, pure red) in each of them. The last grab is kept as
# two_windows.png in $ZUN_ARTIFACTS (the build folder when run by CTest).
#
# Usage: two_windows_screenshot.sh [path/to/zunkaraoke]   (or ZUN_PLAYER)
# Exit 77 (skipped) when Xvfb, xwininfo, import or convert is missing.
set -u
. "$(dirname "$0")/lib.bash"

need_programs Xvfb xwininfo import convert
find_player "${1:-}"

SCREEN_W=1280
SCREEN_H=1024
# The sung part of the current line: FontColorActif 255 (0xBBGGRR) is red.
SUNG="#FF0000"
# Enough red pixels to be sung text, not a stray pixel of an edge.
MIN_SUNG_PIXELS=100
# Without a window manager the windows have no frames, yet the docking keeps
# room for the title bar that the main lyric window would have: the gap under
# it is at most that allowance.
MAX_DOCK_GAP=40

unset WAYLAND_DISPLAY
export QT_QPA_PLATFORM=xcb ZUNKARAOKE_AUDIO=null
start_xvfb "${SCREEN_W}x${SCREEN_H}x24"
note "X server on $DISPLAY"

write_duet_song "$WORK/songs"

export ZUNKARAOKE_DIR=$WORK/program
make_program_dir "$ZUNKARAOKE_DIR"
start_player "$WORK/songs/duet.wav"

# The player's viewable top-level windows, one line each: id x y width height.
app_windows() {
    local id info
    xwininfo -root -children 2>/dev/null \
        | sed -n 's/^ *\(0x[0-9a-f]*\) .*("zunkaraoke" .*/\1/p' \
        | while read -r id; do
            info=$(xwininfo -id "$id" 2>/dev/null) || continue
            grep -q "Map State: IsViewable" <<< "$info" || continue
            awk -v id="$id" '
                /Absolute upper-left X:/ { x = $NF }
                /Absolute upper-left Y:/ { y = $NF }
                /^ *Width:/ { w = $NF }
                /^ *Height:/ { h = $NF }
                END { print id, x, y, w, h }' <<< "$info"
        done
}

# The two lyric windows: the pair of windows with the same left edge, width
# and height, one above the other. Sets UPPER and LOWER ("x y w h").
find_lyric_pair() {
    local windows a b
    windows=$(app_windows)
    UPPER=""
    LOWER=""
    while read -r a; do
        while read -r b; do
            [ "$a" = "$b" ] && continue
            # shellcheck disable=SC2086 # split both lines into their fields
            set -- $a $b
            # $2..$5 are the first window's x y w h, $7..$10 the second's.
            if [ "$2" = "$7" ] && [ "$4" = "$9" ] && [ "$5" = "${10}" ] && [ "$3" -lt "$8" ]; then
                UPPER="$2 $3 $4 $5"
                LOWER="$7 $8 $9 ${10}"
                return 0
            fi
        done <<< "$windows"
    done <<< "$windows"
    return 1
}

# Number of pixels of colour $2 inside the rectangle "x y w h" $3 of image $1.
count_colour() {
    local x y w h
    read -r x y w h <<< "$3"
    convert "$1" -crop "${w}x${h}+${x}+${y}" +repage \
        -fill black +opaque "$2" -fill white -opaque "$2" \
        -format '%[fx:round(mean*w*h)]' info:
}

grab() {
    import -display "$DISPLAY" -window root "$1" 2>>"$WORK/import.log"
}

SHOT=$WORK/two_windows.png
keep_shot() {
    [ -n "${ZUN_ARTIFACTS:-}" ] && [ -f "$SHOT" ] && mkdir -p "$ZUN_ARTIFACTS" && cp "$SHOT" "$ZUN_ARTIFACTS/two_windows.png"
    return 0
}

# Poll: the player may start slowly on a loaded machine (sanitizer build).
found=""
for _ in $(seq 60); do
    check_player_alive
    if find_lyric_pair && grab "$SHOT"; then
        red_upper=$(count_colour "$SHOT" "$SUNG" "$UPPER")
        red_lower=$(count_colour "$SHOT" "$SUNG" "$LOWER")
        if [ "${red_upper:-0}" -ge "$MIN_SUNG_PIXELS" ] && [ "${red_lower:-0}" -ge "$MIN_SUNG_PIXELS" ]; then
            found=yes
            break
        fi
    fi
    sleep 0.5
done
check_player_alive
keep_shot

if [ -z "$found" ]; then
    note "player windows (id x y w h):"
    app_windows >&2
    [ -n "$UPPER" ] || fail "no two lyric windows of the same size, one above the other, were viewable"
    fail "the sung colour did not show in both lyric windows (main: ${red_upper:-?} px, second: ${red_lower:-?} px)"
fi
note "main lyric window at $UPPER, second at $LOWER; sung pixels $red_upper and $red_lower"

# Docked: same left and width (checked when the pair was found), the second
# starts where the first ends, and both lie on the screen.
read -r _ uy _ uh <<< "$UPPER"
read -r _ ly _ _ <<< "$LOWER"
gap=$((ly - (uy + uh)))
[ "$gap" -ge 0 ] || fail "the second lyric window overlaps the main one (gap $gap px)"
[ "$gap" -le "$MAX_DOCK_GAP" ] || fail "the second lyric window is not docked under the main one (gap $gap px)"
for r in "$UPPER" "$LOWER"; do
    read -r x y w h <<< "$r"
    if [ "$x" -lt 0 ] || [ "$y" -lt 0 ] || [ $((x + w)) -gt "$SCREEN_W" ] || [ $((y + h)) -gt "$SCREEN_H" ]; then
        fail "a lyric window lies partly off the screen: $r"
    fi
done

echo "PASS: both lyric windows shown, docked, with the sung colour"
