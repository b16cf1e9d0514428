#!/usr/bin/env zsh
# Prints, one a line, what zsh's completion system offers at the end of a
# command line, as pressing Tab there would:
#
#   zsh -f tests/completion/zsh-complete.zsh FOLDER 'tunemoss art --type '
#
# FOLDER is put in front of fpath (empty: the system's fpath alone). An
# interactive zsh runs in a pseudo-terminal; its compadd is wrapped so that
# the matches are printed between two marker lines instead of being listed.
emulate -L zsh
zmodload zsh/zpty || exit 2

folder=$1
line=$2
zpty capture zsh -f -i
zpty -w capture "PS1=''; PS2=''; fpath=(${folder:+${(q)folder}} \$fpath)"
zpty -w capture 'autoload -Uz compinit && compinit -u -D'
zpty -w capture 'zstyle ":completion:*" list-grouped false; zstyle ":completion:*" insert-tab false'
zpty -w capture 'bindkey "^I" complete-word'
# Matches are printed as they are added (a completer that adds none lets
# the next one try, as it would at a terminal); the markers tell where the
# answer starts and ends.
zpty -w capture 'compadd() {
    if [[ ${@[1,(i)(-|--)]} == *-[OAD]\ * ]]; then
        builtin compadd "$@"
        return
    fi
    local -a matches
    builtin compadd -O matches "$@"
    (( $#matches )) && print -rl -- "=> "$^matches
    builtin compadd "$@"
}'
zpty -w capture 'completion-start() { print -r -- "<<start>>" }; completion-end() { print -r -- "<<end>>" }'
zpty -w capture 'compprefuncs=(completion-start); comppostfuncs=(completion-end)'
zpty -w -n capture "$line"$'\t'

started=0
while zpty -r capture output; do
    output=${output//$'\r'/}
    case $output in
        *'<<start>>'*) started=1 ;;
        *'<<end>>'*) (( started )) && break ;;
        '=> '?*) (( started )) && print -r -- ${output#=> } ;;
    esac
done
zpty -d capture
