#!/bin/sh
# Makes the raster fixtures of the bitmap tests with Ghostscript: two 37 x 5 pages, one in black
# and white and one in the eight pure colours that every palette of Ghostscript's BMP devices
# holds exactly (so nothing is halftoned), each written as BMPs and as a raw PPM. The files are
# then turned into BitmapFixtures.inc, which the tests compile in, so they need no Ghostscript.
# (Ghostscript's bmp32b device writes CMYK pixels, not 32-bit RGB; the tests build their 32-bit
# image from the PPM instead.)
#
# Run from anywhere: sh tests/support/bitmaps/make_fixtures.sh
set -eu
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Columns of colour, and a few single pixels so that rows differ.
cat > "$work/colour.ps" <<'PS'
/box { rectfill } def
0 1 36 {
  /x exch def
  x 8 mod dup 4 and 0 ne { 1 } { 0 } ifelse
  exch dup 2 and 0 ne { 1 } { 0 } ifelse
  exch 1 and 0 ne { 1 } { 0 } ifelse setrgbcolor
  x 0 1 5 box
} for
1 1 1 setrgbcolor 3 1 1 1 box 20 3 2 1 box
0 0 0 setrgbcolor 30 0 1 1 box 11 4 1 1 box
showpage
PS
cat > "$work/mono.ps" <<'PS'
1 setgray 0 0 37 5 rectfill
0 setgray
0 2 36 { 0 1 1 rectfill } for
0 1 8 1 rectfill 13 2 11 1 rectfill 36 3 1 1 rectfill 2 4 5 1 rectfill
showpage
PS

render() {
  gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE="$1" -r72 -g37x5 -sOutputFile="$work/$3" "$work/$2"
}
render bmpmono mono.ps mono.bmp
render ppmraw mono.ps mono.ppm
for device in bmp16 bmp256 bmp16m; do
  render "$device" colour.ps "colour_$device.bmp"
done
render ppmraw colour.ps colour.ppm

python3 - "$work" "$here/BitmapFixtures.inc" <<'PY'
import os, sys
work, out = sys.argv[1], sys.argv[2]
names = ["mono.bmp", "mono.ppm", "colour_bmp16.bmp", "colour_bmp256.bmp", "colour_bmp16m.bmp",
         "colour.ppm"]
with open(out, "w") as f:
    f.write("// Made by make_fixtures.sh from Ghostscript's output; do not edit.\n")
    for name in names:
        data = open(os.path.join(work, name), "rb").read()
        ident = "k" + "".join(p.capitalize() for p in name.replace(".", "_").split("_"))
        f.write("inline constexpr unsigned char %s[] = {\n" % ident)
        for i in range(0, len(data), 16):
            f.write("    " + ", ".join("0x%02X" % b for b in data[i:i + 16]) + ",\n")
        f.write("};\n")
PY
