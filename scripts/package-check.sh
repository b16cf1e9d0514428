#!/usr/bin/env bash
# Builds the Debian package and checks it as a user's machine would take it:
# lintian, the metadata, then installed with apt-get (the programs, a song,
# the manual pages, the completions, qarv under Xvfb), then purged, with
# nothing left behind. Needs root (or sudo) and apt-get; changes the
# machine's installed packages, so it refuses to run where tunemoss is
# already installed.
#
#   scripts/package-check.sh [PACKAGE.deb]   (without one, scripts/package.sh builds it)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

say() { echo "package-check: $*"; }
fail() {
    echo "package-check: FAILED: $*" >&2
    exit 1
}
as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)

if dpkg-query -W -f='${db:Status-Status}' tunemoss 2>/dev/null | grep -q installed; then
    fail "tunemoss is installed on this machine, and this check would replace and then" \
        "purge it; remove it first (apt-get purge tunemoss), or set TUNEMOSS_SKIP_PACKAGE=1"
fi

if [ $# -gt 0 ]; then
    package=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
else
    bash scripts/package.sh
    package=$(ls "$root"/tunemoss_*.deb)
fi
version=$(dpkg-deb -f "$package" Version)
say "checking $(basename "$package")"

work=$(mktemp -d)
installed=0
# A check that fails half way leaves the machine as it found it.
cleanup() {
    if [ "$installed" = 1 ] && dpkg-query -W tunemoss >/dev/null 2>&1; then
        "${as_root[@]}" apt-get purge -y tunemoss >/dev/null 2>&1 || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

# The package's contents: the file name, lintian, the metadata.
[ "$(basename "$package")" = "tunemoss_${version}_$(dpkg --print-architecture).deb" ] ||
    fail "$package is not named tunemoss_VERSION_ARCH.deb"
lintian --fail-on error --info "$package" || fail "lintian reports errors in $package"
depends=$(dpkg-deb -f "$package" Depends)
for needed in libmpv2 libqt6widgets6 libcurl4 libc6; do
    grep -q "$needed" <<<"$depends" || fail "Depends lacks $needed: $depends"
done
dpkg-deb -x "$package" "$work/tree"
appstreamcli validate-tree --pedantic --strict --no-net "$work/tree" ||
    fail "the AppStream metadata does not validate"
desktop-file-validate "$work"/tree/usr/share/applications/*.desktop ||
    fail "the desktop entry does not validate"
bash scripts/check-runpath.sh "$work/tree" || fail "a search path looks into the current folder"

# Everything below these folders before the package came, to compare with
# what is left when it has gone. The caches that the desktop's triggers
# rebuild are shared and stay.
snapshot() {
    find /usr /etc /opt /var/lib /var/cache -xdev 2>/dev/null |
        grep -v -e '^/var/lib/dpkg/' -e '^/var/lib/apt/' -e '^/var/cache/apt/' \
            -e '^/var/cache/man/' -e '/mimeinfo\.cache$' -e '/icon-theme\.cache$' \
            -e '^/var/cache/debconf/' -e '^/var/lib/ucf/' | sort
}
snapshot >"$work/before"

say "installing with apt-get"
export DEBIAN_FRONTEND=noninteractive
installed=1
"${as_root[@]}" apt-get install -y --no-install-recommends "$package" >"$work/install.log" 2>&1 ||
    {
        cat "$work/install.log" >&2
        fail "apt-get could not install $package"
    }

[ "$(command -v tunemoss)" = /usr/bin/tunemoss ] || fail "tunemoss is not /usr/bin/tunemoss"
[ "$(tunemoss --version)" = "tunemoss $version" ] || fail "tunemoss --version: $(tunemoss --version)"
[ "$(qarv --version)" = "qarv $version" ] || fail "qarv --version: $(qarv --version)"
shown=$(cd "$work" && tunemoss show "$root/tests/data/id3v1/v11.mp3") ||
    fail "tunemoss show of a sample failed"
grep -q 'Caf' <<<"$shown" || fail "tunemoss show printed no title: $shown"
for program in /usr/bin/tunemoss /usr/bin/qarv; do
    if ldd "$program" | grep -q 'not found'; then
        fail "$program misses a library: $(ldd "$program" | grep 'not found')"
    fi
done
for page in tunemoss qarv; do
    found=$(man -w "$page") || fail "man -w $page finds no page"
    [ "$found" = "/usr/share/man/man1/$page.1.gz" ] || fail "man -w $page: $found"
done
say "the completions, as bash, zsh and fish find them"
bash tests/completion/completion_test.sh --installed || fail "the installed completions"

say "qarv under Xvfb: starts, then quits on SIGTERM"
# A private session bus: qarv is up when its MPRIS2 name is there. HOME and
# the XDG folders are fresh, so nothing of root's is read or written.
mkdir -p "$work/home"
HOME=$work/home XDG_CONFIG_HOME=$work/home/config XDG_DATA_HOME=$work/home/data \
    XDG_STATE_HOME=$work/home/state XDG_RUNTIME_DIR=$work/home \
    xvfb-run -a dbus-run-session -- bash -c '
        qarv &
        pid=$!
        bus() {
            dbus-send --session --print-reply --dest="$1" "${@:2}" 2>/dev/null
        }
        # Up to a minute for the window and the bus name, on a busy machine.
        for ((i = 0; i < 600; i++)); do
            bus org.freedesktop.DBus /org/freedesktop/DBus org.freedesktop.DBus.NameHasOwner \
                string:org.mpris.MediaPlayer2.qarv | grep -q "boolean true" && break
            kill -0 "$pid" 2>/dev/null || { echo "qarv ended before it was up" >&2; exit 1; }
            sleep 0.1
        done
        entry=$(bus org.mpris.MediaPlayer2.qarv /org/mpris/MediaPlayer2 \
            org.freedesktop.DBus.Properties.Get string:org.mpris.MediaPlayer2 string:DesktopEntry)
        if ! grep -q "io.github.tunemoss.tunemoss" <<<"$entry"; then
            echo "qarv is not up on the bus as io.github.tunemoss.tunemoss: $entry" >&2
            kill -KILL "$pid"
            exit 1
        fi
        kill -TERM "$pid"
        wait "$pid"' >"$work/qarv.log" 2>&1 ||
    {
        cat "$work/qarv.log" >&2
        fail "qarv did not start and quit on SIGTERM under Xvfb"
    }
[ -f "$work/home/data/Tunemoss/qarv.pl" ] || fail "qarv did not save its play list when it quit"

say "purging"
"${as_root[@]}" apt-get purge -y tunemoss >"$work/purge.log" 2>&1 ||
    {
        cat "$work/purge.log" >&2
        fail "apt-get could not purge tunemoss"
    }
dpkg-query -W tunemoss >/dev/null 2>&1 && fail "dpkg still knows tunemoss after the purge"
snapshot >"$work/after"
if ! diff -u "$work/before" "$work/after" >"$work/left"; then
    cat "$work/left" >&2
    fail "installing and purging tunemoss changed these files"
fi
say "$(basename "$package") builds, installs, works and purges cleanly"
