#!/usr/bin/env bash
# Installs the Debian packages that the build, the player and the tests need,
# only those that are missing. Runs as root (or through sudo).
set -euo pipefail
packages=(cmake ninja-build g++ pkg-config
          qt6-base-dev libqt6opengl6-dev
          libsndfile1-dev libfluidsynth-dev libpulse-dev libxcb1-dev timgm6mb-soundfont
          libgtest-dev fonts-dejavu-core fonts-liberation2
          libfontconfig-dev fonts-comic-neue qt6-image-formats-plugins
          qt6-translations-l10n)
if [ "${1:-}" = "--test" ]; then
    # The tests' own peers: a PulseAudio server with a null sink, Xvfb, sox;
    # xwininfo (x11-utils) and ImageMagick's import/convert for the screenshots;
    # the desktop's own tools that read the file associations (xdg-mime, gio)
    # and rebuild their caches (update-mime-database, update-desktop-database);
    # a window manager (openbox) for the window tests, driven as a user would
    # through xdotool (pointer, minimise) and wmctrl (maximise).
    packages+=(xvfb xauth pulseaudio pulseaudio-utils sox x11-utils imagemagick
               xdg-utils libglib2.0-bin shared-mime-info desktop-file-utils
               openbox xdotool wmctrl)
fi
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    SUDO=""
    if [ "$(id -u)" -ne 0 ]; then
        if ! command -v sudo >/dev/null; then
            echo "These packages are missing: ${missing[*]}" >&2
            echo "Installing them needs root: run this command as root once, or install sudo." >&2
            exit 1
        fi
        SUDO="sudo"
    fi
    $SUDO apt-get update
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi
