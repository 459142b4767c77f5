#!/bin/sh
# render-icons.sh - regenerate the Ringlatch icon PNGs and ringlatch.ico
# from the vector master ringlatch.svg.
#
# Run by hand after editing ringlatch.svg; it is never run by the build.
# The generated files are committed next to the master.
#
#   sh resources/render-icons.sh
#
# Needs rsvg-convert (Debian: librsvg2-bin) and ImageMagick's convert.
# Writes only inside this directory:
#   icons/<N>x<N>/ringlatch.png  for N = 16 32 48 64 128 256
#   ringlatch.ico                (two images: 32x32 and 16x16)
set -eu

cd "$(dirname "$0")"

for tool in rsvg-convert convert; do
    command -v "$tool" >/dev/null 2>&1 || {
        echo "render-icons.sh: $tool not found" >&2
        exit 1
    }
done

for size in 16 32 48 64 128 256; do
    mkdir -p "icons/${size}x${size}"
    rsvg-convert --width="$size" --height="$size" --format=png \
        --output="icons/${size}x${size}/ringlatch.png" ringlatch.svg
done

# Windows icon group used by ringlatch.rc.
convert icons/32x32/ringlatch.png icons/16x16/ringlatch.png ringlatch.ico

echo "render-icons.sh: icons written to $(pwd)"
