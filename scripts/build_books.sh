#!/bin/sh
# Builds the opening books "blancas.obk" and "negras.obk" with the engine's own book command.
#
#   scripts/build_books.sh ENGINE DIRECTORY PGN...
#
# The collections are joined into one file (the command reads one) and both books are built in
# a scratch folder, so that no configuration or log of DIRECTORY takes part; the books then
# replace those in DIRECTORY only when both were built.
set -eu
if [ $# -lt 3 ]; then
    echo "usage: $0 ENGINE DIRECTORY PGN..." >&2
    exit 2
fi
engine=$(readlink -f "$1")
target=$2
shift 2
mkdir -p "$target"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A blank line after every collection keeps the last game of one apart from the first of the next.
for pgn in "$@"; do
    cat "$pgn"
    printf '\n\n'
done >"$work/games.pgn"

(cd "$work" && printf 'book games.pgn blancas.obk\nbook games.pgn negras.obk\nquit\n' |
    "$engine" >book.out 2>&1) || {
    cat "$work/book.out" >&2
    exit 1
}
for book in blancas.obk negras.obk; do
    if [ ! -s "$work/$book" ]; then
        cat "$work/book.out" >&2
        echo "$book was not built" >&2
        exit 1
    fi
done
grep -a 'Processed' "$work/book.out" | sed 's/^ *//; s/ *$//'
cp "$work/blancas.obk" "$target/blancas.obk.new"
cp "$work/negras.obk" "$target/negras.obk.new"
mv "$target/blancas.obk.new" "$target/blancas.obk"
mv "$target/negras.obk.new" "$target/negras.obk"
