#!/bin/bash
# Cuts the gray 256x256 cover patches that stego_detector measures on, one folder per photograph
# (the detector splits training and testing by these folders, so that no photograph lends patches
# to both sides).
#
#   bench/steganalysis/make-patches.sh OUTDIR
#
# The photographs come from Debian packages, installed by hand for the measurement:
#   apt-get install mate-backgrounds lomiri-wallpapers-16.04 lomiri-wallpapers-20.04
# and the photographs in scikit-image's data folder, either from `apt-get install python3-skimage`
# or, without its many dependencies, unpacked: `apt-get download python3-skimage && dpkg -x
# python3-skimage_*.deb DIR`, then SKIMAGE_DATA=DIR/usr/lib/python3/dist-packages/skimage/data.
# Only photographs are taken: the packages' drawn and rendered wallpapers are left out by name
# (gnome-backgrounds and ukui-wallpapers hold no photographs at all).
#
# The wallpapers are JPEG files: their 8x8 block artefacts and smoothed noise would make the
# covers unlike a camera's pixels. Each is turned gray and shrunk by 2 with a box filter (every
# output pixel is the mean of a 2x2 block), which averages away most of the block grid. The
# scikit-image pictures are small and kept at their own size. Patches come from two grids, the
# second shifted by half a patch, so a pixel is in at most two patches (of one photograph, so on
# the same side of the split).
set -euo pipefail

OUT=${1:?usage: make-patches.sh OUTDIR}
SKIMAGE_DATA=${SKIMAGE_DATA:-/usr/lib/python3/dist-packages/skimage/data}
SIZE=256
HALF=$((SIZE / 2))

WALLPAPERS=(
    /usr/share/backgrounds/mate/nature/Aqua.jpg
    /usr/share/backgrounds/mate/nature/Blinds.jpg
    /usr/share/backgrounds/mate/nature/Dune.jpg
    /usr/share/backgrounds/mate/nature/FreshFlower.jpg
    /usr/share/backgrounds/mate/nature/Garden.jpg
    /usr/share/backgrounds/mate/nature/GreenMeadow.jpg
    /usr/share/backgrounds/mate/nature/LadyBird.jpg
    /usr/share/backgrounds/mate/nature/RainDrops.jpg
    /usr/share/backgrounds/mate/nature/Storm.jpg
    /usr/share/backgrounds/mate/nature/TwoWings.jpg
    /usr/share/backgrounds/mate/nature/Wood.jpg
    /usr/share/backgrounds/mate/nature/YellowFlower.jpg
    /usr/share/backgrounds/Bridge_by_Sander_Klootwijk.jpg
    /usr/share/backgrounds/Dragonfly_by_Bolly.jpg
    /usr/share/backgrounds/Kleiber_by_Lukas_Baubkus.jpg
    /usr/share/backgrounds/Picture_0B_by_freespace.jpg
    /usr/share/backgrounds/Picture_1A_by_freespace.jpg
    /usr/share/backgrounds/Wine_by_Jakkub_Mede.jpg
    /usr/share/backgrounds/aitzgorri_by_Aitzol_Berasategi.jpg
    /usr/share/backgrounds/analogpattern_by_Peter_Nerlich.jpg
    /usr/share/backgrounds/free_by_Peter_Nerlich.jpg
    /usr/share/backgrounds/friends_by_Aitzol_Berasategi.jpg
    /usr/share/backgrounds/life_by_Aitzol_Berasategi.jpg
    /usr/share/backgrounds/picosdeeuropa_by_Aitzol_Berasategi.jpg
    /usr/share/backgrounds/seeding_by_Clements_Engelhardt.jpg
    /usr/share/backgrounds/sunset_by_Aitzol_Berasategi.jpg
)
SKIMAGE=(astronaut.png camera.png coffee.png chelsea.png motorcycle_left.png rocket.jpg grass.png gravel.png brick.png
    moon.png)

# cut FULL_PGM PHOTO_DIR: the patches of both grids that lie wholly inside the picture.
cut() {
    local full=$1 dir=$2 w h n=0 x y
    read -r w h < <(identify -format '%w %h\n' "$full" | head -1)
    for offset in 0 $HALF; do
        for ((y = offset; y + SIZE <= h; y += SIZE)); do
            for ((x = offset; x + SIZE <= w; x += SIZE)); do
                convert "$full" -crop "${SIZE}x${SIZE}+${x}+${y}" +repage "$dir/$n.pgm"
                n=$((n + 1))
            done
        done
    done
    echo "$(basename "$dir"): $n patches"
}

# add SOURCE NAME SCALE: one photograph, gray, box-shrunk to SCALE percent, cut into patches.
add() {
    local src=$1 name=$2 scale=$3
    if [ ! -f "$src" ]; then
        echo "missing $src (is its package installed?)" >&2
        return
    fi
    mkdir -p "$OUT/$name"
    convert "${src}[0]" -strip -colorspace Gray -scale "$scale%" -depth 8 "$OUT/$name.full.pgm"
    cut "$OUT/$name.full.pgm" "$OUT/$name"
    rm -f "$OUT/$name.full.pgm"
}

mkdir -p "$OUT"
for f in "${WALLPAPERS[@]}"; do
    base=$(basename "$f")
    add "$f" "${base%.*}" 50
done
for f in "${SKIMAGE[@]}"; do
    add "$SKIMAGE_DATA/$f" "skimage-${f%.*}" 100
done
echo "$(find "$OUT" -name '*.pgm' | wc -l) patches from $(find "$OUT" -mindepth 1 -type d | wc -l) photographs in $OUT"
