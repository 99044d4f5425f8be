#!/bin/sh
# Makes the TIFF test files with ImageMagick (convert) and exiftool. Run
# from this directory.
set -e

# Uncompressed RGB, one row a strip: 16 strips, of which the report shows
# the first offsets and byte counts; the directory stands after the strips.
convert -size 24x16 gradient:red-blue -compress none -define tiff:rows-per-strip=1 -depth 8 tiff_strips_ii.tif

# Big-endian, LZW-compressed 16x16 tiles.
convert -size 32x32 gradient:green-yellow -compress lzw -define tiff:tile-geometry=16x16 -endian MSB -depth 8 \
  tiff_tiles_mm_lzw.tif

# Two pages: a chain of two IFDs.
convert -size 8x8 xc:red xc:blue -compress zip -depth 8 tiff_two_pages.tif

# A camera-like greyscale image with Exif, GPS and Interoperability IFDs
# written by exiftool.
convert -size 16x12 gradient:gray-white -compress none -depth 8 tiff_camera.tif
exiftool -q -overwrite_original -Make=Acme -Model="Acme Cam 2" -Software="tagdelve tests" \
  -DateTimeOriginal="2024:05:06 07:08:09" -ExposureTime=1/125 -FNumber=2.8 -ISO=200 -LensModel="Acme 35mm" \
  -GPSLatitude=35.6586 -GPSLatitudeRef=N -GPSLongitude=139.7454 -GPSLongitudeRef=E -GPSAltitude=40 \
  -InteropIndex=R98 tiff_camera.tif
