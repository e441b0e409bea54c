#!/bin/sh
# `veilmark --help` and `-h` with no display at all: exit status 0 and the usage on standard
# output, naming the pictures it opens and its switches. An unknown switch: exit status 2, the
# switch and the usage on standard error, before any window.
set -u
app=$1
out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$app" --help) || { echo "--help failed"; exit 1; }
for want in '^Usage: veilmark .*PICTURE' '--version' '-Unregister'; do
    printf '%s\n' "$out" | grep -q -e "$want" || { echo "usage lacks: $want"; exit 1; }
done
[ "$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$app" -h)" = "$out" ] || { echo "-h differs"; exit 1; }
printf '%s\n' "$out" | grep -q 'Any other switch is refused' || { echo "usage lacks the refusal"; exit 1; }
err=$(env QT_QPA_PLATFORM=offscreen timeout 20 "$app" -bogus 2>&1 >/dev/null)
rc=$?
[ "$rc" -eq 2 ] || { echo "-bogus: exit status $rc, not 2"; exit 1; }
printf '%s\n' "$err" | grep -q '^veilmark: unknown switch: -bogus$' || { echo "-bogus not named: $err"; exit 1; }
printf '%s\n' "$err" | grep -q '^Usage: veilmark ' || { echo "-bogus: no usage on stderr"; exit 1; }
echo "usage ok"
