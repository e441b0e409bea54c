#!/bin/bash
# Starts `veilmark PICTURE` on a virtual X server, finds its main window by the title, and saves
# screenshots into OUTDIR: xvfb-splash.png (during the splash) and xvfb-smoke.png (after it).
# Usage: xvfb_smoke.sh VEILMARK OUTDIR. Exit 77 (skipped) when a needed tool is missing.
set -u
APP=$1
OUT=$2
for tool in xvfb-run xdotool import; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "SKIPPED: $tool is not installed (packages xvfb, xdotool, imagemagick)"
        exit 77
    fi
done
# The suite runs with the offscreen platform; this test needs the real X server it starts.
unset QT_QPA_PLATFORM
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
mkdir -p "$OUT"

# A 64 x 48 24-bit BMP in four colour bands, written byte by byte.
{
    printf 'BM\x36\x24\x00\x00\x00\x00\x00\x00\x36\x00\x00\x00'
    printf '\x28\x00\x00\x00\x40\x00\x00\x00\x30\x00\x00\x00\x01\x00\x18\x00'
    printf '\x00\x00\x00\x00\x00\x24\x00\x00\x13\x0b\x00\x00\x13\x0b\x00\x00'
    printf '\x00\x00\x00\x00\x00\x00\x00\x00'
    for band in '\x30\x30\xd0' '\x30\xb0\x30' '\xd0\x60\x20' '\x20\xd0\xf0'; do
        for _ in $(seq 12); do
            for _ in $(seq 64); do printf "$band"; done
        done
    done
} > "$WORK/smoke.bmp"

cat > "$WORK/session.sh" <<EOS
#!/bin/bash
set -u
if command -v openbox >/dev/null 2>&1; then openbox >/dev/null 2>&1 & WM=\$!; sleep 1; else WM=; fi
"$APP" "$WORK/smoke.bmp" & PID=\$!
WIN=
for _ in \$(seq 60); do
    WIN=\$(xdotool search --name '^Veilmark - Carrier - smoke.bmp' 2>/dev/null | head -n 1)
    [ -n "\$WIN" ] && break
    sleep 0.25
done
STATUS=0
if [ -z "\$WIN" ]; then
    echo "FAILED: no window titled Veilmark - Carrier - smoke.bmp"
    STATUS=1
else
    echo "found window \$WIN: \$(xdotool getwindowname "\$WIN")"
    import -window root "$OUT/xvfb-splash.png"
    sleep 3
    import -window root "$OUT/xvfb-smoke.png"
    echo "screenshots: $OUT/xvfb-splash.png $OUT/xvfb-smoke.png"
    [ "\$(xdotool getwindowname "\$WIN")" = "Veilmark - Carrier - smoke.bmp [64x48x24 bits]" ] || STATUS=1
fi
kill -0 \$PID 2>/dev/null || { echo "FAILED: veilmark is not running"; STATUS=1; }
kill \$PID 2>/dev/null; wait \$PID 2>/dev/null
[ -n "\$WM" ] && kill \$WM 2>/dev/null
exit \$STATUS
EOS
chmod +x "$WORK/session.sh"
xvfb-run -a -s "-screen 0 1280x1024x24" "$WORK/session.sh"
