#!/bin/sh
# Renders the program's icon (packaging/icons/org.example.movra.svg) into the PNG sizes of the
# hicolor icon theme, packaging/icons/<N>x<N>/org.example.movra.png. The PNGs are kept in the
# repository, so building never needs this; run it after changing the drawing.
# Needs rsvg-convert (Debian package librsvg2-bin).
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
icons="$here/packaging/icons"
svg="$icons/org.example.movra.svg"
command -v rsvg-convert >/dev/null 2>&1 || {
    echo "rsvg-convert is missing: apt-get install librsvg2-bin" >&2
    exit 1
}
for size in 16 22 24 32 48 64 128 256; do
    mkdir -p "$icons/${size}x${size}"
    rsvg-convert -w "$size" -h "$size" "$svg" -o "$icons/${size}x${size}/org.example.movra.png"
done
echo "Icons written to $icons"
