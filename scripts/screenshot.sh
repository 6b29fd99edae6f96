#!/usr/bin/env bash
# Builds the window program and the picture tool, and saves pictures of the main window and its
# dialogs under a virtual display, plus one of the whole screen with the real program on a demo
# game folder. Usage: scripts/screenshot.sh [OUTPUT_FOLDER]
# QT_SCALE_FACTOR (default 1) sets the scale the pictures are taken at.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

scripts/install-deps.sh --test

out=${1:-"$root/build/screenshots"}
mkdir -p "$out"
out=$(cd "$out" && pwd)

cmake --preset dev >/dev/null
cmake --build --preset dev --target sonquill sonquill-cli screenshot_tool
export QT_SCALE_FACTOR=${QT_SCALE_FACTOR:-1}

# The window on the test harness: a demo catalogue sorted by category, a widened column, the
# Ogg options, the progress window and the About box.
QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x1024x24" \
    build/dev/bin/screenshot_tool "$out"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
game="$work/Game Folder/Compiled"
sources="$work/Sources"
mkdir -p "$game" "$sources"

# A few short tones of different lengths.
i=0
for name in "Door Creak" "Thunder" "Footsteps" "Bird Song" "Clock Tick" "Splash"; do
    i=$((i + 1))
    sox -n -r 22050 -c 1 -b 16 "$sources/$name.wav" synth "0.$i" sine $((300 + 90 * i)) 2>/dev/null
done

categories=(Doors Weather People Nature Doors Water)
names=("Door Creak" "Thunder" "Footsteps" "Bird Song" "Clock Tick" "Splash")
cli="$root/build/dev/bin/sonquill-cli"
for k in "${!names[@]}"; do
    "$cli" -g "$game" add --category "${categories[$k]}" "$sources/${names[$k]}.wav" >/dev/null
done
"$cli" -g "$game" lock 2 >/dev/null

# Settings that point the program at the demo folder.
home="$work/home"
mkdir -p "$home/.config/Sonquill"
cat >"$home/.config/Sonquill/Sonquill.conf" <<EOF
[Data]
LastGameDir=$game
LastSourceDir=$sources

[Ogg]
OggUse=1
EOF

# A picture of the whole screen as well, with the window frame the window manager gives.
HOME="$home" XDG_CONFIG_HOME="$home/.config" QT_QPA_PLATFORM=xcb \
    xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
        build/dev/bin/sonquill & pid=$!
        sleep 3
        import -window root "$0/screen.png"
        kill $pid' "$out"

echo "Pictures saved in $out:"
ls -1 "$out"
