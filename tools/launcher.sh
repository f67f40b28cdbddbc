#!/bin/sh
# Starts the installed Leafweaver from its program folder.
here=$(dirname "$(readlink -f "$0")")
exec "$here/../lib/leafweaver/leafweaver" "$@"
