#!/bin/sh
# `veilmark --help` and `-h` with no display at all: exit status 0 and the usage on standard
# output, naming the pictures it opens and its switches.
set -u
app=$1
out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$app" --help) || { echo "--help failed"; exit 1; }
for want in '^Usage: veilmark .*PICTURE' '--version' '-Unregister'; do
    printf '%s\n' "$out" | grep -q -e "$want" || { echo "usage lacks: $want"; exit 1; }
done
[ "$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$app" -h)" = "$out" ] || { echo "-h differs"; exit 1; }
echo "usage ok"
