#!/bin/bash
# Makes the gray JPEG covers that jpeg_stego_detector measures on, one folder per photograph and
# quality (the detector splits training and testing by these folders):
#
#   bench/jpegstego/make-jpegs.sh OUTDIR        ->  OUTDIR/q75/<photo>/<n>.jpg, OUTDIR/q95/...
#
# The photographs and their 256 x 256 gray patches are bench/steganalysis/make-patches.sh's (see
# there for the Debian packages it needs and SKIMAGE_DATA). Each patch is compressed once per
# quality with libjpeg-turbo's cjpeg (baseline, standard Huffman tables, integer DCT), so that a
# cover has been through one JPEG compression only, at the quality it is measured at:
#   apt-get install libjpeg-turbo-progs
# Beside each cover <n>.jpg goes a twin <n>.ycc.jpg: the same gray samples as a three-component
# YCbCr JPEG (no chroma subsampling). Its Y coefficients are the cover's, one for one, and its
# chroma is flat; it is there for outguess, which refuses one-component JPEGs. The detector
# measures the Y component of what outguess writes against the gray cover.
set -euo pipefail

OUT=${1:?usage: make-jpegs.sh OUTDIR}
QUALITIES=${QUALITIES:-"75 95"}
HERE=$(cd "$(dirname "$0")" && pwd)
command -v cjpeg > /dev/null || {
    echo "cjpeg not found: apt-get install libjpeg-turbo-progs" >&2
    exit 1
}

PATCHES=$(mktemp -d)
trap 'rm -rf "$PATCHES"' EXIT
"$HERE/../steganalysis/make-patches.sh" "$PATCHES" > /dev/null

for q in $QUALITIES; do
    for dir in "$PATCHES"/*/; do
        photo=$(basename "$dir")
        mkdir -p "$OUT/q$q/$photo"
        for pgm in "$dir"*.pgm; do
            [ -e "$pgm" ] || continue
            name=$(basename "$pgm" .pgm)
            cjpeg -quality "$q" -grayscale -outfile "$OUT/q$q/$photo/$name.jpg" "$pgm"
            convert "$pgm" -colorspace sRGB -type TrueColor ppm:- \
                | cjpeg -quality "$q" -sample 1x1 -outfile "$OUT/q$q/$photo/$name.ycc.jpg"
        done
    done
    echo "quality $q: $(find "$OUT/q$q" -name '*.jpg' ! -name '*.ycc.jpg' | wc -l) covers from" \
        "$(find "$OUT/q$q" -mindepth 1 -type d | wc -l) photographs in $OUT/q$q"
done
