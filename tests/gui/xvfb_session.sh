#!/bin/bash
# A user's whole session in real windows on a virtual X server, driven by keys: open a picture,
# hide a file, save the picture under a new name, open that file, reveal, save the payload, and
# compare it with the original. A screenshot of every dialog goes into OUTDIR.
# Usage: xvfb_session.sh VEILMARK OUTDIR. Exit 77 (skipped) when a needed tool is missing.
set -u
APP=$1
OUT=$2
for tool in xvfb-run xdotool import openbox; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "SKIPPED: $tool is not installed (packages xvfb, xdotool, imagemagick, openbox)"
        exit 77
    fi
done
# The suite runs with the offscreen platform; this test needs the real X server it starts.
unset QT_QPA_PLATFORM
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
mkdir -p "$OUT"

# A 96 x 64 24-bit BMP of a diagonal gradient, written byte by byte.
{
    printf 'BM\x36\x48\x00\x00\x00\x00\x00\x00\x36\x00\x00\x00'
    printf '\x28\x00\x00\x00\x60\x00\x00\x00\x40\x00\x00\x00\x01\x00\x18\x00'
    printf '\x00\x00\x00\x00\x00\x48\x00\x00\x13\x0b\x00\x00\x13\x0b\x00\x00'
    printf '\x00\x00\x00\x00\x00\x00\x00\x00'
    for ((y = 0; y < 64; y++)); do
        for ((x = 0; x < 96; x++)); do
            printf "\\x$(printf %02x $((x * 2)))\\x$(printf %02x $((y * 3)))\\x$(printf %02x $((200 - x)))"
        done
    done
} > "$WORK/cover.bmp"
printf 'Meet at the north gate at noon.\r\nBring the maps.\r\n' > "$WORK/note.txt"

cat > "$WORK/session.sh" <<EOS
#!/bin/bash
set -u
openbox >/dev/null 2>&1 & WM=\$!
sleep 1
"$APP" "$WORK/cover.bmp" & PID=\$!
FAILED=

# Waits for a window whose title is exactly \$1, focuses it, and saves a screenshot as \$2.
wait_for() {
    local win=
    for _ in \$(seq 80); do
        win=\$(xdotool search --name "^\$1\\\$" 2>/dev/null | tail -n 1)
        [ -n "\$win" ] && break
        sleep 0.25
    done
    if [ -z "\$win" ]; then
        echo "FAILED: no window titled '\$1'"
        import -window root "$OUT/session-missing-\$2.png"
        FAILED=1
        return 1
    fi
    xdotool windowactivate --sync "\$win" 2>/dev/null || xdotool windowfocus --sync "\$win" 2>/dev/null
    sleep 0.4
    import -window root "$OUT/session-\$2.png"
    echo "window '\$1' -> session-\$2.png"
}
keys() { xdotool key --delay 60 "\$@"; sleep 0.3; }
text() { xdotool type --delay 20 "\$1"; sleep 0.2; }
# The file dialogs: the name field has the focus; a full path goes straight in.
file_dialog() { wait_for "\$1" "\$2" && { keys ctrl+a; text "\$3"; keys Return; }; }
password() { wait_for "Enter Password" "\$1" && { text "\$2"; keys Tab; text "\$2"; keys Return; }; }

wait_for "Veilmark - Carrier - cover.bmp \\\\[96x64x24 bits\\\\]" 01-main
sleep 3   # the splash closes on its timer
keys F4
file_dialog "Open" 02-hide-open "$WORK/note.txt"
password 03-hide-password "north gate"
wait_for "Success!" 04-hidden && keys Return
keys F2
file_dialog "Save As" 05-save-as "$WORK/carrier.bmp"
sleep 1
keys F3
file_dialog "Open" 06-reopen "$WORK/carrier.bmp"
wait_for "Veilmark - Carrier - carrier.bmp \\\\[96x64x24 bits\\\\]" 07-reopened
keys F5
password 08-reveal-password "north gate"
wait_for "Hidden Message Found!" 09-found && keys Return
file_dialog "Save As" 10-save-payload "$WORK/revealed.txt"
sleep 1
import -window root "$OUT/session-11-end.png"

kill \$PID 2>/dev/null; wait \$PID 2>/dev/null
kill \$WM 2>/dev/null
[ -z "\$FAILED" ]
EOS
chmod +x "$WORK/session.sh"
xvfb-run -a -s "-screen 0 1280x1024x24" "$WORK/session.sh" || exit 1
if ! cmp "$WORK/note.txt" "$WORK/revealed.txt"; then
    echo "FAILED: the revealed payload differs from the hidden file"
    exit 1
fi
if cmp -s "$WORK/cover.bmp" "$WORK/carrier.bmp"; then
    echo "FAILED: the saved picture is the unchanged cover"
    exit 1
fi
echo "revealed payload equals the hidden file; screenshots in $OUT"
