#!/usr/bin/env bash
# The play list in the default list view, on a real X display: the built
# player starts on a play list whose first song has a short name and whose
# others have long ones, in a window wide enough for the balance slider. The
# grabbed window must show the long names whole (their ink reaches far beyond
# the short name's width, where a list cut to the first name's width stops) and
# the balance slider drawn right of the speed and pitch sliders, above the
# progress bar. The grab is kept as playlist.png in $ZUN_ARTIFACTS.
#
# Usage: playlist_screenshot.sh [path/to/zunkaraoke]   (or ZUN_PLAYER)
# Exit 77 (skipped) when Xvfb, xdotool, xwininfo, import or convert is missing.
set -u
. "$(dirname "$0")/lib.bash"

need_programs Xvfb xdotool xwininfo import convert
find_player "${1:-}"

# The window's client area in pixels (15 twips each), wider than designed.
WIN_W=1000
WIN_H=420
# Ink of a long name whole: well beyond a few characters' width.
MIN_NAME_PX=200

unset WAYLAND_DISPLAY
export QT_QPA_PLATFORM=xcb ZUNKARAOKE_AUDIO=null
start_xvfb "1280x1024x24"
note "X server on $DISPLAY"

LONG1="Zebra Crossing at Midnight - Live at the Old Theatre in Paris"
LONG2="Yesterday Once More (Extended Karaoke Version with Choir)"
export ZUNKARAOKE_DIR=$WORK/program
make_program_dir "$ZUNKARAOKE_DIR"
{
    printf 'Abba;;;MP3;/m/abba.mp3;N\r\n'
    printf '%s;;;MP3;/m/zebra.mp3;N\r\n' "$LONG1"
    printf '%s;;;MP3;/m/yesterday.mp3;N\r\n' "$LONG2"
} > "$WORK/songs.lst"
cat > "$ZUNKARAOKE_DIR/PlaySyk.ini" <<EOF
[Path]
Path=$WORK/
Path Mp3=$WORK/
Path syk=$WORK/
Path Lst=$WORK/songs.lst
Path Image=
Path PgmImage=@ZunMp3

[Setting]
Setup=1
ButtomColor=15788257
ListColor=16777215
PgmColor=14865093
Theme=1
FrezeDeskTop=1
ListView=2
GridLines=0
SSTab=1
Langue=En
CheckUpd=0
NextUpd=1
MidiOut=-1

[Player Windows]
Top=0
Left=0
EOF

PLAYER_LOG=$WORK/player.log
"$ZUN_PLAYER" > "$PLAYER_LOG" 2>&1 &
PLAYER_PID=$!
track "$PLAYER_PID"

main_window() {
    local id
    id=$(xdotool search --onlyvisible --name '^Zun Mp3 Karaoke$' 2>/dev/null | head -n 1)
    [ -n "$id" ] && echo "$id"
}
wait_for_player 60 main_window || fail "the main window did not show"
WIN=$(main_window)
xdotool windowsize "$WIN" "$WIN_W" "$WIN_H"

SHOT=$WORK/playlist.png
keep_shot() {
    [ -n "${ZUN_ARTIFACTS:-}" ] && [ -f "$SHOT" ] && mkdir -p "$ZUN_ARTIFACTS" && cp "$SHOT" "$ZUN_ARTIFACTS/playlist.png"
    return 0
}

# Geometry of the window's controls (pixels), from the layout in twips.
geometry() {
    read -r W H < <(xwininfo -id "$WIN" | awk '/^ *Width:/ { w = $NF } /^ *Height:/ { h = $NF } END { print w, h }')
    local sw=$((W * 15)) sh=$((H * 15))
    # The transport panel's shift: half the width beyond 8500 twips, a half
    # going to the even number.
    local twice=$((sw - 8500)) bottom
    bottom=$((twice / 2))
    if [ $((twice % 2)) -ne 0 ] && [ $((bottom % 2)) -ne 0 ]; then bottom=$((bottom + 1)); fi
    [ "$bottom" -lt 0 ] && bottom=0
    LIST="$((130 / 15 + 4)) $((885 / 15 + 4)) $(((sw - 350) / 15 - 8)) $(((sh - 2590) / 15 - 8))"
    BALANCE="$(((bottom + 8400) / 15 + 2)) $(((sh - 1285) / 15 + 2)) $((1500 / 15 - 4)) $((360 / 15 - 4))"
}

# Bounding box "w h x y" of the dark pixels (text ink) inside "x y w h".
ink_box() {
    local x y w h
    read -r x y w h <<< "$2"
    convert "$1" -crop "${w}x${h}+${x}+${y}" +repage -colorspace Gray -threshold 55% \
        -format '%@' info: | sed 's/[x+]/ /g'
}

# Number of distinct colours inside "x y w h".
colours_in() {
    local x y w h
    read -r x y w h <<< "$2"
    convert "$1" -crop "${w}x${h}+${x}+${y}" +repage -format '%k' info:
}

ok=""
for _ in $(seq 60); do
    check_player_alive
    geometry
    if [ "$W" = "$WIN_W" ] && import -display "$DISPLAY" -window "$WIN" "$SHOT" 2>>"$WORK/import.log"; then
        read -r ink_w _ _ _ <<< "$(ink_box "$SHOT" "$LIST")"
        balance_colours=$(colours_in "$SHOT" "$BALANCE")
        if [ "${ink_w:-0}" -ge "$MIN_NAME_PX" ] && [ "${balance_colours:-0}" -ge 3 ]; then
            ok=yes
            break
        fi
    fi
    sleep 0.5
done
check_player_alive
keep_shot

[ -n "$ok" ] || fail "window ${W:-?}x${H:-?}: names' ink ${ink_w:-?} px wide (at least $MIN_NAME_PX expected), balance area $BALANCE with ${balance_colours:-?} colours (a slider expected)"
note "names' ink ${ink_w} px wide; balance slider at $BALANCE (${balance_colours} colours)"
echo "PASS: whole names in the list view and the balance slider placed"
