#!/usr/bin/env bash
# End-to-end speed of veilmark-cli against steghide on the same 24-bit BMP cover and the same
# random payloads: whole-process wall times (median of RUNS) and peak memory, side by side.
# Installs nothing: steghide, ImageMagick and GNU time come through `make deps`.
#
# Usage: bench/compare-peers.sh [VEILMARK_CLI] [RUNS]
#   VEILMARK_CLI  default build/cli/veilmark-cli
#   RUNS          default 5
set -euo pipefail

CLI=${1:-build/cli/veilmark-cli}
RUNS=${2:-5}
WIDTH=4032
HEIGHT=3024
PASS=peerbench

for tool in steghide convert /usr/bin/time "$CLI"; do
    command -v "$tool" >/dev/null || { echo "missing: $tool (run make deps / make build)" >&2; exit 2; }
done
CLI=$(readlink -f "$CLI")
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
cd "$WORK"

# steghide's graph matching recurses deeply on large covers and overflows the default stack.
ulimit -s unlimited 2>/dev/null || ulimit -s 1048576

echo "Making a ${WIDTH}x${HEIGHT} 24-bit BMP cover (a photo-like fractal) ..." >&2
convert -size ${WIDTH}x${HEIGHT} -seed 7 plasma:fractal -depth 8 -type TrueColor BMP3:cover.bmp
head -c 102400 /dev/urandom > p100k.bin

# The largest payload steghide accepts: start at the capacity it reports and step down by 1%.
capacity_bytes() {
    steghide info cover.bmp -p none 2>/dev/null | awk '/capacity:/ {
        v = $2; u = $3
        if (u == "KB") v *= 1024; else if (u == "MB") v *= 1048576; else if (u == "Byte") v *= 1
        printf "%d\n", v }'
}
cap=$(capacity_bytes)
size=$cap
while :; do
    head -c "$size" /dev/urandom > pmax.bin
    # A payload too large is refused before any embedding work starts.
    if steghide embed -cf cover.bmp -ef pmax.bin -sf probe.bmp -p "$PASS" -e none -Z -f -q 2>/dev/null; then
        break
    fi
    size=$((size * 99 / 100))
    [ "$size" -gt 0 ] || { echo "steghide accepts no payload on this cover" >&2; exit 1; }
done
rm -f probe.bmp
echo "steghide reports ${cap} bytes; the largest payload it accepted: ${size} bytes" >&2

# Runs "$@" RUNS times; prints "median_seconds peak_kib".
measure() {
    local i times=() peaks=()
    for ((i = 0; i < RUNS; i++)); do
        /usr/bin/time -f "%e %M" -o t.txt "$@" >/dev/null 2>&1 || { echo "failed: $*" >&2; exit 1; }
        read -r t m < t.txt
        times+=("$t"); peaks+=("$m")
    done
    local mt mp
    mt=$(printf '%s\n' "${times[@]}" | sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}')
    mp=$(printf '%s\n' "${peaks[@]}" | sort -g | tail -1)
    echo "$mt $mp"
}

export VEILMARK_PASSPHRASE=$PASS
row() {  # label veilmark_result steghide_result goal
    read -r vt vm <<<"$2"
    read -r st sm <<<"$3"
    awk -v l="$1" -v vt="$vt" -v st="$st" -v vm="$vm" -v sm="$sm" -v g="$4" 'BEGIN {
        r = (st > 0) ? vt / st : 0
        printf "%-26s %10.3f %10.3f %9.4f  %-8s %9d %9d\n", l, vt, st, r, g, vm / 1024, sm / 1024 }'
}

declare -A V S
for p in p100k pmax; do
    V[embed_$p]=$(measure "$CLI" hide cover.bmp $p.bin -o v_$p.bmp)
    S[embed_$p]=$(measure steghide embed -cf cover.bmp -ef $p.bin -sf s_$p.bmp -p "$PASS" -e none -Z -f -q)
    V[extract_$p]=$(measure "$CLI" reveal v_$p.bmp -o v_$p.out --force)
    S[extract_$p]=$(measure steghide extract -sf s_$p.bmp -p "$PASS" -xf s_$p.out -f -q)
    cmp -s v_$p.out $p.bin || { echo "veilmark-cli did not return the $p payload" >&2; exit 1; }
    cmp -s s_$p.out $p.bin || { echo "steghide did not return the $p payload" >&2; exit 1; }
done
CP=$(measure cp cover.bmp copy.bmp)

printf '\n%-26s %10s %10s %9s  %-8s %9s %9s\n' case "veilmark s" "steghide s" ratio goal "vm MiB" "sg MiB"
row "embed 100 KB" "${V[embed_p100k]}" "${S[embed_p100k]}" "<=1/25"
row "embed ${size} B" "${V[embed_pmax]}" "${S[embed_pmax]}" "<=1/200"
row "extract 100 KB" "${V[extract_p100k]}" "${S[extract_p100k]}" "<=1/20"
row "extract ${size} B" "${V[extract_pmax]}" "${S[extract_pmax]}" "<=1/20"
read -r ct _ <<<"$CP"
read -r ht hm <<<"${V[embed_p100k]}"
echo
echo "cp of the cover: ${ct} s; veilmark-cli hide 100 KB: ${ht} s (goal: cp + 20 ms + the in-process hide)"
echo "cover $(stat -c %s cover.bmp) bytes; veilmark-cli hide peak memory $((hm / 1024)) MiB (goal: file + record + 16 MB)"
echo "median of ${RUNS} runs each, whole process, wall clock"
