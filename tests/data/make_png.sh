#!/bin/sh
# Makes the PNG test files with ImageMagick (convert), exiftool and ffmpeg.
# Run from this directory. The ICC profile is Ghostscript's sRGB one
# (package libgs-common).
set -e

# Truecolour with gAMA, cHRM, bKGD, pHYs and texts: a tEXt comment by
# ImageMagick; a tEXt title, a zTXt description, a compressed iTXt with a
# language tag and the XMP packet in an iTXt by exiftool.
convert -size 16x12 gradient:orange-teal -density 72 -units PixelsPerInch -set comment "made by ImageMagick" \
  -define png:exclude-chunks=date,time png_rgb_texts.png
exiftool -q -overwrite_original -z -PNG:Title="A title" \
  "-PNG:Description=$(printf 'a longer description, compressed by exiftool; %.0s' 1 2 3 4)" \
  "-PNG:Description-fr=$(printf 'une description plus longue, compressée par exiftool ; %.0s' 1 2 3)" \
  -XMP-dc:Creator=tagdelve png_rgb_texts.png

# A palette of three colours and a tRNS chunk.
convert -size 8x8 xc:none -fill "rgba(0,0,255,0.5)" -draw "rectangle 2,2 5,5" -fill red -draw "point 0,0" \
  -define png:exclude-chunks=date,time PNG8:png_palette_trns.png

# 16-bit greyscale, Adam7 interlaced.
convert -size 12x10 gradient:black-white -depth 16 -colorspace gray -interlace PNG -strip \
  -define png:exclude-chunks=date,time png_grey16_adam7.png

# An ICC profile (iCCP) and Exif data in an eXIf chunk, with the Exif, GPS
# and Interoperability IFDs.
convert -size 12x10 gradient:"#3366cc"-white -profile /usr/share/color/icc/ghostscript/srgb.icc \
  -define png:exclude-chunks=date,time png_exif_iccp.png
exiftool -q -overwrite_original -EXIF:Make=Acme -EXIF:Model="Acme Cam 2" -DateTimeOriginal="2024:05:06 07:08:09" \
  -ExposureTime=1/60 -GPSLatitude=35.6586 -GPSLatitudeRef=N -GPSLongitude=139.7454 -GPSLongitudeRef=E \
  -InteropIndex=R98 png_exif_iccp.png

# An animation (APNG) of three frames: acTL, fcTL, IDAT and fdAT chunks.
ffmpeg -v error -y -f lavfi -i testsrc=size=8x8:rate=4 -frames:v 3 -plays 0 -f apng -pix_fmt rgb24 png_animated.png
