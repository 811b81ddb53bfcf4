#!/bin/sh
# Installed as bin/morvane: starts the engine in the user's own engine directory,
# $XDG_DATA_HOME/morvane (by default ~/.local/share/morvane). On first use that directory is
# seeded from the installed data: the configuration and the two opening books are copied, so
# that the books can learn and the configuration can be edited; the diagram pictures that the
# game logs name are linked. The installed tree itself is never written.
# An engine holds its directory for as long as it runs: a second one started meanwhile (an
# interface's engine-against-itself match) gets morvane-2, and so on, since two engines in one
# directory would write the same log numbers and learn into the same books at once.
set -u
here=$(dirname "$(readlink -f "$0")")
engine=$here/../lib/morvane/morvane
data=$(readlink -f "$here/../share/morvane")
if [ ! -x "$engine" ] || [ ! -d "$data" ]; then
    echo "morvane: the engine or its data is missing beside $here" >&2
    exit 1
fi

case ${XDG_DATA_HOME:-} in
/*) base=$XDG_DATA_HOME ;;
*)
    if [ -z "${HOME:-}" ]; then
        echo "morvane: HOME is not set, so there is no place for the engine's directory" >&2
        exit 1
    fi
    base=$HOME/.local/share
    ;;
esac
# The lock is on descriptor 9, which the engine inherits and keeps until it ends.
number=1
while :; do
    directory=$base/morvane
    [ $number -gt 1 ] && directory=$base/morvane-$number
    mkdir -p "$directory" || exit 1
    exec 9>>"$directory/.in-use" || exit 1
    flock -n 9 && break
    exec 9>&-
    number=$((number + 1))
    if [ $number -gt 16 ]; then
        echo "morvane: 16 engines of this user are running already" >&2
        exit 1
    fi
done

# A copy under a temporary name renamed into place: two engines started at once never see half
# a file.
for file in Morvane.cfg blancas.obk negras.obk; do
    if [ ! -e "$directory/$file" ]; then
        cp "$data/$file" "$directory/$file.$$" && chmod u+w "$directory/$file.$$" &&
            mv -f "$directory/$file.$$" "$directory/$file" || exit 1
    fi
done
# The link follows the installation (a new version's pictures); a real folder of the user's stays.
if [ -L "$directory/diagram" ] || [ ! -e "$directory/diagram" ]; then
    ln -sfn "$data/diagram" "$directory/diagram" || exit 1
fi

cd "$directory" || exit 1
exec "$engine"
