#!/bin/sh
# Draws the images that the HTML game log names for its board diagrams, and the engine's logo.
#
#   scripts/diagram_images.sh DIAGRAM_DIR LOGO_PNG [PIECE_SVG_DIR]
#
# DIAGRAM_DIR receives the 13 plain and 13 marked square images (34x35, transparent: the log's
# table cell gives the square its colour), the frame pieces 1-4 and 6-8 and the right-hand frame
# 5w/5b that shows the side to move. The men are the SVG pieces of Debian's xboard package
# (PIECE_SVG_DIR, by default its default theme), each file placed inside our own picture and
# rendered with rsvg-convert. LOGO_PNG gets the 130x65 logo that chess interfaces show.
set -eu
if [ $# -lt 2 ]; then
    echo "usage: $0 DIAGRAM_DIR LOGO_PNG [PIECE_SVG_DIR]" >&2
    exit 2
fi
out=$1
logo=$2
pieces=${3:-/usr/share/games/xboard/themes/default}
command -v rsvg-convert >/dev/null 2>&1 || { echo "rsvg-convert is missing (librsvg2-bin)" >&2; exit 1; }
[ -f "$pieces/WhiteKing.svg" ] || { echo "no piece pictures in $pieces (xboard)" >&2; exit 1; }

# The log's cells: squares 34x35, frame 34 wide on the sides and 35 high above and below.
frame='#e6e0c6'
ink='#3a3428'
font='font-family="DejaVu Sans" font-weight="bold" font-size="15"'
# The last move's squares: a warm tint over the square's own colour and a strong border.
tint='<rect width="34" height="35" fill="#ffc800" fill-opacity="0.55"/><rect x="1.5" y="1.5" width="31" height="32" fill="none" stroke="#d83a00" stroke-width="3"/>'

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$out" "$(dirname "$logo")"

# svg NAME WIDTH HEIGHT BODY: renders BODY in a picture of that size to NAME.
svg() {
    {
        printf '<svg xmlns="http://www.w3.org/2000/svg" width="%s" height="%s" viewBox="0 0 %s %s">\n' \
            "$2" "$3" "$2" "$3"
        printf '%s\n' "$4"
        printf '</svg>\n'
    } >"$work/picture.svg"
    rsvg-convert -w "$2" -h "$3" -o "$work/picture.png" "$work/picture.svg"
    mv "$work/picture.png" "$1"
}

# man FILE X Y SIZE: one of xboard's 100x100 piece pictures, scaled into a SIZE box at X,Y.
man() {
    printf '<svg x="%s" y="%s" width="%s" height="%s" viewBox="0 0 100 100">\n' "$2" "$3" "$4" "$4"
    sed -e '/<?xml/d' "$pieces/$1"
    printf '</svg>\n'
}

# Squares: es (empty) and the twelve men, plain and marked (the from- and to-square).
for entry in es: wp:WhitePawn wn:WhiteKnight wb:WhiteBishop wr:WhiteRook wq:WhiteQueen \
    wk:WhiteKing bp:BlackPawn bn:BlackKnight bb:BlackBishop br:BlackRook bq:BlackQueen \
    bk:BlackKing; do
    name=${entry%%:*}
    file=${entry#*:}
    body=''
    [ -n "$file" ] && body=$(man "$file.svg" 1 1.5 32)
    svg "$out/$name.png" 34 35 "$body"
    svg "$out/${name}e.png" 34 35 "$tint$body"
done

# The frame, with a dark line along the board's edge (2 pixels on the frame's side of it).
edge_top='<rect y="33" width="272" height="2" fill="'$ink'"/>'
edge_bottom='<rect width="272" height="2" fill="'$ink'"/>'
background() { printf '<rect width="%s" height="%s" fill="%s"/>' "$1" "$2" "$frame"; }

svg "$out/1.png" 34 35 "$(background 34 35)<rect x=\"32\" y=\"33\" width=\"2\" height=\"2\" fill=\"$ink\"/>"
svg "$out/3.png" 34 35 "$(background 34 35)<rect x=\"0\" y=\"33\" width=\"2\" height=\"2\" fill=\"$ink\"/>"
svg "$out/6.png" 34 35 "$(background 34 35)<rect x=\"32\" y=\"0\" width=\"2\" height=\"2\" fill=\"$ink\"/>"
svg "$out/8.png" 34 35 "$(background 34 35)<rect x=\"0\" y=\"0\" width=\"2\" height=\"2\" fill=\"$ink\"/>"

# Top edge plain, bottom edge with the files a-h under their columns.
svg "$out/2.png" 272 35 "$(background 272 35)$edge_top"
letters=''
column=0
for letter in a b c d e f g h; do
    letters="$letters<text x=\"$((17 + 34 * column))\" y=\"23\" text-anchor=\"middle\" $font fill=\"$ink\">$letter</text>"
    column=$((column + 1))
done
svg "$out/7.png" 272 35 "$(background 272 35)$edge_bottom$letters"

# Left edge with the ranks 8-1 beside their rows.
numbers=''
row=0
for number in 8 7 6 5 4 3 2 1; do
    numbers="$numbers<text x=\"17\" y=\"$((23 + 35 * row))\" text-anchor=\"middle\" $font fill=\"$ink\">$number</text>"
    row=$((row + 1))
done
svg "$out/4.png" 34 280 "$(background 34 280)<rect x=\"32\" width=\"2\" height=\"280\" fill=\"$ink\"/>$numbers"

# Right edge: a disc on the side of the player to move, White's at the bottom, Black's at the top.
right_edge="$(background 34 280)<rect width=\"2\" height=\"280\" fill=\"$ink\"/>"
svg "$out/5w.png" 34 280 "$right_edge<circle cx=\"18\" cy=\"262\" r=\"9\" fill=\"#ffffff\" stroke=\"$ink\" stroke-width=\"2\"/>"
svg "$out/5b.png" 34 280 "$right_edge<circle cx=\"18\" cy=\"18\" r=\"9\" fill=\"#111111\" stroke=\"$ink\" stroke-width=\"2\"/>"

# The logo: a white knight on the board's light blue, and the name.
svg "$logo" 130 65 "$(background 130 65)<rect x=\"4\" y=\"4\" width=\"57\" height=\"57\" fill=\"#01d2ff\"/>$(man WhiteKnight.svg 6 6 53)<text x=\"95.5\" y=\"37\" text-anchor=\"middle\" font-family=\"DejaVu Sans\" font-weight=\"bold\" font-size=\"13\" fill=\"$ink\">Morvane</text>"
