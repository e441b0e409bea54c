#!/usr/bin/env bash
# End-to-end speed of veilmark-cli against steghide on the same 24-bit BMP cover and the same
# random payloads: whole-process wall times (median of RUNS) and peak memory, side by side.
# Installs nothing: steghide, ImageMagick and GNU time come through `make deps`.
#
# Usage: bench/compare-peers.sh [VEILMARK_CLI] [RUNS]
#   VEILMARK_CLI  default build/cli/veilmark-cli
#   RUNS          default 5
# SIZES="102400 max" (the default) picks the payload sizes; "max" is the largest steghide accepts.
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

# The largest payload steghide accepts. Its memory grows steeply with the payload (over 20 GB
# for the reported capacity of a 12-megapixel cover), so each try runs under a memory cap of half
# the machine's RAM; a refused or failed try halves the size.
capacity_bytes() {
    # "info" also tries to extract with the pass phrase given and fails; only its report counts.
    { steghide info cover.bmp -p none 2>/dev/null || true; } | awk '/capacity:/ {
        v = $2; u = $3
        if (u == "KB") v *= 1024; else if (u == "MB") v *= 1048576
        printf "%d\n", v }'
}
largest_payload() {
    local size cap_kib
    size=$(capacity_bytes)
    cap_kib=$(awk '/MemTotal/ {print int($2 / 2)}' /proc/meminfo)
    while [ "$size" -gt 1024 ]; do
        head -c "$size" /dev/urandom > pmax.bin
        if (ulimit -v "$cap_kib"; steghide embed -cf cover.bmp -ef pmax.bin -sf probe.bmp -p "$PASS" -e none -Z -f -q) \
            >/dev/null 2>&1; then
            rm -f probe.bmp
            echo "$size"
            return
        fi
        size=$((size / 2))
    done
    echo 0
}

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

# SIZES: payload sizes in bytes; "max" is the largest payload steghide accepts (slow to find).
SIZES=${SIZES:-"102400 max"}
declare -A V S
names=()
for n in $SIZES; do
    if [ "$n" = max ]; then
        n=$(largest_payload)
        [ "$n" -gt 0 ] || { echo "steghide accepts no payload on this cover" >&2; exit 1; }
        echo "the largest payload steghide accepted: $n bytes" >&2
    else
        head -c "$n" /dev/urandom > pmax.bin
    fi
    p=p$n
    mv pmax.bin $p.bin
    names+=("$p")
done
for p in "${names[@]}"; do
    V[embed_$p]=$(measure "$CLI" hide cover.bmp $p.bin -o v_$p.bmp)
    S[embed_$p]=$(measure steghide embed -cf cover.bmp -ef $p.bin -sf s_$p.bmp -p "$PASS" -e none -Z -f -q)
    V[extract_$p]=$(measure "$CLI" reveal v_$p.bmp -o v_$p.out --force)
    S[extract_$p]=$(measure steghide extract -sf s_$p.bmp -p "$PASS" -xf s_$p.out -f -q)
    cmp -s v_$p.out $p.bin || { echo "veilmark-cli did not return the $p payload" >&2; exit 1; }
    cmp -s s_$p.out $p.bin || { echo "steghide did not return the $p payload" >&2; exit 1; }
done
CP=$(measure cp cover.bmp copy.bmp)

printf '\n%-26s %10s %10s %9s  %-8s %9s %9s\n' case "veilmark s" "steghide s" ratio goal "vm MiB" "sg MiB"
for p in "${names[@]}"; do
    n=${p#p}
    if [ "$n" -le 102400 ]; then goal="<=1/25"; else goal="<=1/200"; fi
    row "embed $n B" "${V[embed_$p]}" "${S[embed_$p]}" "$goal"
    row "extract $n B" "${V[extract_$p]}" "${S[extract_$p]}" "<=1/20"
done
read -r ct _ <<<"$CP"
read -r ht hm <<<"${V[embed_${names[0]}]}"
echo
echo "cp of the cover: ${ct} s; veilmark-cli hide of ${names[0]#p} bytes: ${ht} s (goal: cp + 20 ms + the in-process hide)"
echo "cover $(stat -c %s cover.bmp) bytes; that hide's peak memory $((hm / 1024)) MiB (goal: file + record + 16 MB)"
echo "median of ${RUNS} runs each, whole process, wall clock"
