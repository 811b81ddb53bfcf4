#!/bin/sh
# Installs the engine for chess interfaces, or removes what an installation put in place.
#
#   scripts/install.sh install|uninstall BUILD PREFIX [DESTDIR]
#
# Under PREFIX (as seen from DESTDIR, the staging root of a package build):
#   bin/morvane                            the launcher (scripts/launcher.sh)
#   lib/morvane/morvane                    the engine
#   share/morvane/                         books, diagram pictures, tables, Morvane.cfg template
#   share/games/plugins/xboard/morvane.eng the entry by which xboard lists the engine
#   share/games/plugins/logos/morvane.png  its logo
# share/morvane/installed-files lists every file installed; uninstall removes exactly those,
# then the folders they leave empty.
set -eu
if [ $# -lt 3 ]; then
    echo "usage: $0 install|uninstall BUILD PREFIX [DESTDIR]" >&2
    exit 2
fi
action=$1
build=$2
prefix=$3
destdir=${4:-}
case $prefix in
/*) ;;
*)
    echo "PREFIX must be an absolute path: $prefix" >&2
    exit 2
    ;;
esac
source=$(cd "$(dirname "$0")/.." && pwd)
root=$destdir$prefix
manifest=share/morvane/installed-files

# Removes the files of an earlier installation and the folders that become empty.
uninstall() {
    if [ ! -f "$root/$manifest" ]; then
        echo "nothing installed under $root (no $manifest)" >&2
        return 1
    fi
    while IFS= read -r file; do
        case $file in
        '' | /* | *..*) continue ;; # only plain paths inside the prefix
        esac
        rm -f "$root/$file"
        folder=$(dirname "$file")
        while [ "$folder" != . ]; do
            rmdir "$root/$folder" 2>/dev/null || break
            folder=$(dirname "$folder")
        done
    done <"$root/$manifest"
    rm -f "$root/$manifest"
    for folder in share/morvane share lib; do
        rmdir "$root/$folder" 2>/dev/null || true
    done
    # In a staging root, the prefix's own folders go too when nothing else is left in them.
    if [ -n "$destdir" ]; then
        folder=$prefix
        while [ "$folder" != / ] && rmdir "$destdir$folder" 2>/dev/null; do
            folder=$(dirname "$folder")
        done
    fi
}

# put MODE FROM TO: installs one file and records it.
put() {
    mkdir -p "$(dirname "$root/$3")"
    cp "$2" "$root/$3.new"
    chmod "$1" "$root/$3.new"
    mv -f "$root/$3.new" "$root/$3"
    printf '%s\n' "$3" >>"$work/installed-files"
}

case $action in
install)
    for file in "$build/morvane" "$build/home/blancas.obk" "$build/home/negras.obk" \
        "$build/home/diagram/1.png" "$build/morvane.png"; do
        if [ ! -f "$file" ]; then
            echo "$file is missing: build first (make)" >&2
            exit 1
        fi
    done
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    : >"$work/installed-files"
    [ -f "$root/$manifest" ] && uninstall

    put 0755 "$source/scripts/launcher.sh" bin/morvane
    put 0755 "$build/morvane" lib/morvane/morvane
    put 0644 "$build/home/blancas.obk" share/morvane/blancas.obk
    put 0644 "$build/home/negras.obk" share/morvane/negras.obk
    # The template names the installed tables by their full path (the user's copy lives elsewhere).
    sed "s|^TB Path=.*|TB Path=/usr/share/gaviotatb/gtb4;$prefix/share/morvane/tablebases|" \
        "$source/data/home/Morvane.cfg" >"$work/Morvane.cfg"
    put 0644 "$work/Morvane.cfg" share/morvane/Morvane.cfg
    for picture in "$build/home/diagram/"*.png; do
        put 0644 "$picture" "share/morvane/diagram/$(basename "$picture")"
    done
    # Whatever tables have been generated so far (possibly none).
    if [ -d "$build/home/tablebases" ]; then
        (cd "$build/home/tablebases" && find . -type f | sed 's|^\./||' | sort) >"$work/tables"
        while IFS= read -r table; do
            put 0644 "$build/home/tablebases/$table" "share/morvane/tablebases/$table"
        done <"$work/tables"
    fi
    # xboard's engine list entry: its fixed header line, the command, the variants played.
    printf 'plugin spec 0.0\n%s/bin/morvane\nchess\n' "$prefix" >"$work/morvane.eng"
    put 0644 "$work/morvane.eng" share/games/plugins/xboard/morvane.eng
    put 0644 "$build/morvane.png" share/games/plugins/logos/morvane.png

    cp "$work/installed-files" "$root/$manifest"
    chmod 0644 "$root/$manifest"
    echo "Installed $(wc -l <"$root/$manifest") files under $root"
    ;;
uninstall)
    uninstall
    echo "Removed the installation under $root"
    ;;
*)
    echo "unknown action $action (install or uninstall)" >&2
    exit 2
    ;;
esac
