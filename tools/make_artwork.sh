#!/usr/bin/env bash
# Renders the About box pictures from the application icon:
#   resources/pigmora.svg -> resources/fancy_icon.png (128 x 128) and fancy_iconx2.png (256 x 256).
# Run it after changing the icon and commit the pictures with it. Needs rsvg-convert (Debian's
# librsvg2-bin); the pictures are written without time stamps, so an unchanged icon gives
# unchanged files.
set -euo pipefail
cd "$(dirname "$0")/.."
if ! command -v rsvg-convert >/dev/null; then
  echo "make_artwork.sh: rsvg-convert not found (apt-get install librsvg2-bin)" >&2
  exit 1
fi
render() {
  local size="$1" out="$2"
  rsvg-convert --width "$size" --height "$size" --keep-aspect-ratio --format png \
    --output "$out" resources/pigmora.svg
  echo "wrote $out (${size}x${size})"
}
render 128 resources/fancy_icon.png
render 256 resources/fancy_iconx2.png
