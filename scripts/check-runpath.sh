#!/usr/bin/env bash
# Checks the library search paths (RUNPATH and RPATH) of every program and
# shared library below the given folders.
#
#   scripts/check-runpath.sh FOLDER...
#
# The dynamic loader reads an empty entry as the current folder and a
# relative one against it, so a program carrying either loads whatever
# libstdc++ or libc was planted where it is started from. Only absolute
# entries and entries relative to the file itself ($ORIGIN) pass. Fails,
# naming each file and entry, when any other is found, and when the folders
# hold no ELF file at all (a check of the wrong folder proves nothing).
set -euo pipefail

if [ $# -eq 0 ]; then
    echo "usage: scripts/check-runpath.sh FOLDER..." >&2
    exit 2
fi

status=0
checked=0
while IFS= read -r -d '' file; do
    # Files may vanish while the folders are walked (tests write into the
    # build tree): what cannot be read is no program.
    magic=$(head -c 4 "$file" 2>/dev/null) || continue
    [ "$magic" = $'\177ELF' ] || continue
    checked=$((checked + 1))
    paths=$(readelf -d "$file" 2>/dev/null |
        sed -n 's/.*(\(RUNPATH\|RPATH\)).*\[\(.*\)\]$/\1 \2/p') || continue
    while read -r kind list; do
        [ -n "$kind" ] || continue
        # The added ":" keeps a trailing empty entry (and makes an empty list
        # one empty entry) where read would drop it.
        IFS=: read -r -a entries <<<"$list:"
        for entry in "${entries[@]}"; do
            case "$entry" in
                /* | '$ORIGIN' | '$ORIGIN/'* | '${ORIGIN}' | '${ORIGIN}/'*) ;;
                *)
                    echo "check-runpath: $file: $kind [$list] has the entry '$entry'," \
                        "which is looked up from the current folder" >&2
                    status=1
                    ;;
            esac
        done
    done <<<"$paths"
done < <(find "$@" -type f \( -perm -u=x -o -name '*.so' -o -name '*.so.*' \) -print0)

if [ "$checked" -eq 0 ]; then
    echo "check-runpath: no program or library found below $*" >&2
    exit 1
fi
[ "$status" -eq 0 ] && echo "check-runpath: $checked programs and libraries, every search path safe"
exit $status
