#!/usr/bin/env bash
# What the bash, zsh and fish completions of tunemoss and qarv offer, in a
# folder of songs, pictures, a play list and other files.
#
#   tests/completion/completion_test.sh FOLDER     the completions made in
#                                                   FOLDER (the build tree)
#   tests/completion/completion_test.sh --installed the installed ones, as
#                                                   each shell finds them
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source_folder=
if [ "${1:-}" != "--installed" ]; then
    source_folder=$(cd "${1:?usage: completion_test.sh FOLDER|--installed}" && pwd)
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
touch a.mp3 B.FLAC notes.txt cover.jpg party.m3u
mkdir folder

# Each shell prints what it offers at the end of the line, one a line.
offers_bash() {
    local line=$1 program=${1%% *}
    bash --norc --noprofile -c '
        source /usr/share/bash-completion/bash_completion
        if [ -n "$1" ]; then source "$1/$2.bash"; else _completion_loader "$2"; fi
        read -r -a COMP_WORDS <<<"$3"
        [[ $3 == *" " ]] && COMP_WORDS+=("")
        COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
        COMP_LINE=$3 COMP_POINT=${#3}
        function=$(complete -p "$2" | sed -n "s/.*-F \([^ ]*\).*/\1/p")
        "$function" "$2" "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
        printf "%s\n" "${COMPREPLY[@]}"' bash "$source_folder" "$program" "$line"
}
offers_zsh() {
    zsh -f "$here/zsh-complete.zsh" "$source_folder" "$1"
}
offers_fish() {
    local program=${1%% *}
    if [ -n "$source_folder" ]; then
        fish --no-config -c "source '$source_folder/$program.fish'; complete -C '$1'"
    else
        # Without --no-config, as fish's own configuration sets the folders
        # it loads completions from; the user's is kept out.
        HOME=$work/.home XDG_CONFIG_HOME=$work/.home XDG_DATA_HOME=$work/.home \
            fish -c "complete -C '$1'"
    fi | cut -f1
}

# The line | words it must offer | words it must not offer. Folders are
# compared without the "/" some shells add.
cases=(
    'tunemoss |art show write tag-from-name|a.mp3'
    'tunemoss ar|art|show'
    'tunemoss art --type b|back band band-logo|front'
    'tunemoss art --set |cover.jpg folder|a.mp3 notes.txt'
    'tunemoss art |a.mp3 B.FLAC folder|notes.txt cover.jpg'
    'tunemoss show |a.mp3 B.FLAC folder|notes.txt party.m3u'
    'tunemoss write --t|--title --track --tag|--json'
    'tunemoss write --tag |id3v1 id3v2 ape mp4|a.mp3'
    'tunemoss remove --tag |id3v1 id3v2 ape asf|a.mp3'
    'tunemoss playlist |show convert|a.mp3'
    'tunemoss playlist show |party.m3u folder|a.mp3'
    'tunemoss copy --to |folder|a.mp3'
    'tunemoss scan --view |0 1|a.mp3'
    'tunemoss cddb |discid query read|a.mp3'
    'qarv |a.mp3 B.FLAC folder|notes.txt'
    'qarv --|--help --version|'
)

status=0
for shell in bash zsh fish; do
    for entry in "${cases[@]}"; do
        IFS='|' read -r line wanted unwanted <<<"$entry"
        offered=$("offers_$shell" "$line" 2>&1 | sed 's:/$::' | sort -u) || true
        missing=() extra=()
        for word in $wanted; do
            grep -qxF -- "$word" <<<"$offered" || missing+=("$word")
        done
        for word in $unwanted; do
            grep -qxF -- "$word" <<<"$offered" && extra+=("$word")
        done
        if [ ${#missing[@]} -gt 0 ] || [ ${#extra[@]} -gt 0 ]; then
            echo "completion: $shell, '$line': missing [${missing[*]}], not wanted [${extra[*]}];" \
                "offered: $(tr '\n' ' ' <<<"$offered")" >&2
            status=1
        fi
    done
done
[ $status -eq 0 ] && echo "completion: bash, zsh and fish offer what they should (${#cases[@]} lines each)"
exit $status
