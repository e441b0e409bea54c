#!/usr/bin/env bash
# Installs the Debian package built by `make package` and uses the installed programs as a user
# would: the version, then a hide and a reveal with /usr/bin/veilmark-cli. Needs root (dpkg).
set -euo pipefail
build=${1:-build}
deb=$(ls -t "$build"/veilmark_*.deb | head -n 1)
echo "== installing $deb"
if [ "$(id -u)" -eq 0 ]; then dpkg -i "$deb"; else sudo dpkg -i "$deb"; fi
for f in /usr/bin/veilmark /usr/bin/veilmark-cli /usr/share/man/man1/veilmark-cli.1.gz \
         /usr/share/man/man1/veilmark.1.gz \
         /usr/share/applications/veilmark.desktop /usr/share/icons/hicolor/32x32/apps/veilmark.png; do
    [ -e "$f" ] || { echo "missing after install: $f"; exit 1; }
done
/usr/bin/veilmark-cli --version
env -u DISPLAY /usr/bin/veilmark --help >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
convert -size 200x150 gradient:navy-gold -type TrueColor BMP3:"$work/cover.bmp"
printf 'installed package check\n' > "$work/note.txt"
export VEILMARK_PASSPHRASE=package
/usr/bin/veilmark-cli hide "$work/cover.bmp" "$work/note.txt" -o "$work/carrier.bmp"
/usr/bin/veilmark-cli reveal "$work/carrier.bmp" -o "$work/out.txt"
cmp "$work/note.txt" "$work/out.txt"
echo "== the installed veilmark-cli hid and revealed the payload"
