#!/bin/sh
# Takes a picture of a game log as a browser shows it, scrolled to one of its board diagrams.
#
#   scripts/log_screenshot.sh LOG OUT.png [DIAGRAM_NUMBER [WIDTH HEIGHT]]
#
# The log is shown in a frame of a small page beside it (headless Chromium), scrolled so that
# diagram DIAGRAM_NUMBER (1 = the first, the default) stands near the top with the lines before it.
set -eu
if [ $# -lt 2 ]; then
    echo "usage: $0 LOG OUT.png [DIAGRAM_NUMBER [WIDTH HEIGHT]]" >&2
    exit 2
fi
log=$(readlink -f "$1")
out=$(readlink -f "$2")
number=${3:-1}
width=${4:-800}
height=${5:-1000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cat >"$work/show.htm" <<EOF
<html><body style="margin:0">
<iframe id="log" src="file://$log" style="border:0; width:${width}px; height:${height}px"></iframe>
<script>
document.getElementById('log').addEventListener('load', function () {
  var page = this.contentWindow;
  var tables = page.document.getElementsByTagName('table');
  var table = tables[Math.min($number, tables.length) - 1];
  if (table) page.scrollTo(0, table.getBoundingClientRect().top + page.scrollY - 360);
});
</script>
</body></html>
EOF
chromium --headless --no-sandbox --disable-gpu --disable-background-networking \
    --disable-component-update --disable-sync --no-first-run --allow-file-access-from-files \
    --hide-scrollbars --user-data-dir="$work/browser" --window-size="$width,$height" \
    --virtual-time-budget=3000 --screenshot="$out" "file://$work/show.htm" >/dev/null 2>&1
[ -s "$out" ] || { echo "no screenshot was written" >&2; exit 1; }
echo "$out"
