#!/usr/bin/env bash
# Hides plain and sealed records with veilmark-cli in pictures of every format and reads them
# back with doc_reader.py, a reader written from docs/ alone: the documents must be enough. Sealed
# records are version 2 in the pictures of colour or gray samples and in JPEGs, version 1 in the
# others.
set -euo pipefail
cli=$1
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

# Small enough for a sealed record in the 16-bit gray picture, whose high bytes never change.
head -c 1200 /dev/urandom > random.bin
for i in $(seq 1 40); do echo "line $i of a text that compresses well"; done > text.txt
convert -size 200x150 plasma: -depth 8 base.png
convert base.png BMP3:rgb.bmp
convert base.png -define png:color-type=2 PNG24:rgb.png
convert base.png -colors 200 gif.gif
convert base.png -colors 200 -interlace GIF interlaced.gif
convert base.png pcx24.pcx
convert base.png -colors 256 -type palette pcx8.pcx
convert base.png -colors 16 -compress RLE BMP3:rle4.bmp
convert base.png -colorspace gray -define png:bit-depth=16 gray16.png

failed=0
for picture in rgb.bmp rgb.png gif.gif interlaced.gif pcx24.pcx pcx8.pcx rle4.bmp gray16.png; do
  ext=${picture##*.}
  for kind in plain sealed; do
    for payload in random.bin text.txt; do
      seal=(); [ "$kind" = sealed ] && seal=(--seal)
      pass="tiger7"; [ "$kind" = sealed ] && pass="correct horse battery staple"
      out="out-$kind-$picture"
      VEILMARK_PASSPHRASE="$pass" "$cli" hide "${seal[@]}" "$picture" "$payload" -o "$out.$ext" >/dev/null 2>&1 || {
        echo "hide failed: $kind $picture $payload"; failed=1; continue; }
      if ! said=$(/usr/bin/python3 "$here/doc_reader.py" "$out.$ext" "$pass" got.bin); then
        echo "the reader found nothing: $kind $picture $payload"; failed=1; continue
      fi
      if [ "$said" != "$kind $payload" ] || ! cmp -s got.bin "$payload"; then
        echo "wrong read: $kind $picture $payload: $said"; failed=1; continue
      fi
      echo "ok: $kind $picture $payload"
    done
  done
done
# A JPEG holds only the sealed record, in its AC coefficients: 4:2:0 colour and gray.
head -c 300 /dev/urandom > small.bin
convert base.png -quality 85 -sampling-factor 2x2 photo.jpg
convert base.png -quality 90 -colorspace gray gray.jpg
for picture in photo.jpg gray.jpg; do
  for payload in small.bin text.txt; do
    out="out-sealed-$picture"
    VEILMARK_PASSPHRASE="correct horse battery staple" "$cli" hide --seal "$picture" "$payload" -o "$out" \
      >/dev/null 2>&1 || { echo "hide failed: sealed $picture $payload"; failed=1; continue; }
    said=$(/usr/bin/python3 "$here/doc_reader.py" "$out" "correct horse battery staple" got.bin) || {
      echo "the reader found nothing: sealed $picture $payload"; failed=1; continue; }
    if [ "$said" != "sealed $payload" ] || ! cmp -s got.bin "$payload"; then
      echo "wrong read: sealed $picture $payload: $said"; failed=1; continue
    fi
    echo "ok: sealed $picture $payload"
  done
done
# A file across three pictures, any two restoring it (share-record.md): share_reader.py restores
# it from every pair, and finds one share too few; a reader of version 2 alone finds a damaged
# record in a share, never a file.
mkdir across
head -c 400 /dev/urandom > across.bin
convert base.png -quality 90 photo90.jpg
VEILMARK_PASSPHRASE="correct horse battery staple" "$cli" hide --seal --across 2 rgb.png pcx24.pcx photo90.jpg \
  across.bin -o across >/dev/null 2>&1 || { echo "hide --across failed"; failed=1; }
for pair in "rgb.png pcx24.pcx" "rgb.png photo90.jpg" "photo90.jpg pcx24.pcx"; do
  set -- $pair
  said=$(/usr/bin/python3 "$here/share_reader.py" got.bin "correct horse battery staple" across/$1 across/$2) || {
    echo "the share reader restored nothing: $pair"; failed=1; continue; }
  if [ "$said" != "restored across.bin" ] || ! cmp -s got.bin across.bin; then
    echo "wrong restore: $pair: $said"; failed=1; continue
  fi
  echo "ok: across $pair"
done
# Pictures of unequal room: a file of 700 bytes, more than twice what the small one holds alone
# (about 270 bytes), goes across it and two larger ones, the larger taking more fragments.
mkdir unequal
head -c 700 /dev/urandom > unequal.bin
convert -seed 7 -size 60x45 plasma: -depth 8 -define png:color-type=2 PNG24:tiny.png
VEILMARK_PASSPHRASE="correct horse battery staple" "$cli" hide --seal --across 2 tiny.png rgb.png photo90.jpg \
  unequal.bin -o unequal >/dev/null 2>&1 || { echo "hide --across of unequal pictures failed"; failed=1; }
for pair in "tiny.png rgb.png" "tiny.png photo90.jpg" "photo90.jpg rgb.png"; do
  set -- $pair
  said=$(/usr/bin/python3 "$here/share_reader.py" got.bin "correct horse battery staple" unequal/$1 unequal/$2) || {
    echo "the share reader restored nothing: unequal $pair"; failed=1; continue; }
  if [ "$said" != "restored unequal.bin" ] || ! cmp -s got.bin unequal.bin; then
    echo "wrong restore: unequal $pair: $said"; failed=1; continue
  fi
  echo "ok: across unequal $pair"
done
said=$(/usr/bin/python3 "$here/share_reader.py" got.bin "correct horse battery staple" across/rgb.png) && {
  echo "one share restored a file"; failed=1; }
[ "$said" = "found 1 of 2" ] || { echo "one share: $said"; failed=1; }
status=0
/usr/bin/python3 "$here/doc_reader.py" across/rgb.png "correct horse battery staple" got.bin >/dev/null || status=$?
[ "$status" = 4 ] || { echo "a version 2 reader took a share for other than damage: $status"; failed=1; }
/usr/bin/python3 "$here/share_reader.py" --vectors >/dev/null || { echo "the share vectors do not hold"; failed=1; }

# A wrong pass phrase finds nothing.
VEILMARK_PASSPHRASE=tiger7 "$cli" hide rgb.png random.bin -o wrong.png >/dev/null 2>&1
if /usr/bin/python3 "$here/doc_reader.py" wrong.png tiger8 got.bin >/dev/null; then
  echo "a wrong pass phrase read a record"; failed=1
fi
exit $failed
