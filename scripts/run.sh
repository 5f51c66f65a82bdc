#!/usr/bin/env bash
# Installs what is missing, builds the player into build/ and starts it.
# Only the package install needs root: scripts/deps.sh goes through sudo for a
# user who is not root. The build and the player run as the user who typed the
# command, so that the settings, the file associations and build/ are that
# user's; started as root through sudo, they run as the user who called sudo.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh

if [ "$(id -u)" -eq 0 ] && [ -n "${SUDO_USER:-}" ] && [ "$SUDO_USER" != root ]; then
    user_home=$(getent passwd "$SUDO_USER" | cut -d: -f6)
    user_id=$(id -u "$SUDO_USER")
    # A build/ that an earlier run made as root is handed back to the user.
    if [ -e build ] && [ "$(stat -c %u build)" != "$user_id" ]; then
        chown -R "$SUDO_USER:" build
    fi
    as_user=(HOME="$user_home" USER="$SUDO_USER" LOGNAME="$SUDO_USER")
    # The user's own session folder, where the sound server listens (root's
    # would not let the user in).
    if [ -d "/run/user/$user_id" ]; then
        as_user=(XDG_RUNTIME_DIR="/run/user/$user_id" "${as_user[@]}")
    else
        as_user=(-u XDG_RUNTIME_DIR "${as_user[@]}")
    fi
    exec runuser -u "$SUDO_USER" -- env "${as_user[@]}" bash scripts/run.sh "$@"
fi

if [ -e build ] && [ ! -w build ]; then
    echo "build/ belongs to $(stat -c %U build) (an earlier run as root): remove it with" >&2
    echo "    sudo rm -rf build" >&2
    echo "then run this again." >&2
    exit 1
fi
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZUN_BUILD_TESTS=OFF
cmake --build build --target zunkaraoke
exec build/zunkaraoke "$@"
