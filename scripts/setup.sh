#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Tunemoss
# need. Does nothing (quickly) when everything is already there.
set -euo pipefail

packages=(
    # build
    g++ make cmake pkg-config lld
    # songcore and the programs
    libcurl4-openssl-dev libicu-dev qt6-base-dev libmpv-dev libcdio-dev
    libavformat-dev libavcodec-dev libswresample-dev libavutil-dev libebur128-dev
    libchromaprint-dev nlohmann-json3-dev
    # qarv's standard dialogs in the user's language
    qt6-translations-l10n
    # tests and fuzzing
    libgtest-dev clang libclang-rt-14-dev python3 python3-mutagen
    lame ffmpeg flac vorbis-tools wavpack loudgain libchromaprint-tools mkvtoolnix
    # the MPRIS test runs a private session bus
    dbus-daemon
    # benchmarks: system calls per file and peak memory
    strace time
    # manual pages and shell completions, and their tests
    groff-base man-db bash-completion zsh fish
    # the Debian package and its check
    dpkg-dev file lintian appstream desktop-file-utils xvfb xauth dbus-bin
)

missing=()
for package in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null || true)
    [ "$status" = "installed" ] || missing+=("$package")
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "setup: installing ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
    sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
