#!/bin/sh
# Makes the JPEG test files with ImageMagick (convert), libjpeg's cjpeg and
# exiftool. Run from this directory.
set -e
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# A baseline JFIF image with 4:2:0 sampling: SOI, APP0, 2 DQT, SOF0, 4 DHT,
# SOS, data, EOI.
convert -size 32x24 gradient:red-blue -strip -quality 75 -sampling-factor 2x2 jpeg_baseline.jpg

# The same picture progressive: SOF2 and several scans with DHT between them.
convert -size 32x24 gradient:red-blue -strip -quality 75 -sampling-factor 2x2 \
  -interlace JPEG jpeg_progressive.jpg

# A restart interval of one MCU: a DRI segment and restart markers RST0..RST7
# inside the scan data.
convert -size 64x32 gradient:yellow-navy -strip ppm:"$tmp/g.ppm"
cjpeg -quality 80 -sample 2x2 -restart 1B "$tmp/g.ppm" > jpeg_restart.jpg

# Camera-like Exif data: IFD0, the Exif directory and IFD1 with a JPEG
# thumbnail, once little-endian (II) and once big-endian (MM).
convert -size 8x8 xc:gray -strip -quality 50 "$tmp/thumb.jpg"
for order in II MM; do
  lc=$(echo $order | tr IM im)
  cp jpeg_baseline.jpg "exif_$lc.jpg"
  exiftool -q -overwrite_original -ExifByteOrder=$order \
    -Make=Acme -Model="Acme Cam 2" -Orientation#=1 \
    -XResolution=72 -YResolution=72 -ResolutionUnit=inches \
    -Software=tagdelve-tests -ModifyDate="2024:01:02 03:04:05" \
    "-ImageDescription=two
lines" \
    -ExposureTime=1/125 -FNumber=2.8 -ISO=100 -ExifVersion=0232 \
    -DateTimeOriginal="2024:01:02 03:04:05" -ExposureCompensation=-0.7 \
    -ColorSpace#=1 -ExifImageWidth=32 -ExifImageHeight=24 \
    "-ThumbnailImage<=$tmp/thumb.jpg" \
    "exif_$lc.jpg"
done

# The sample: a small photo-like image with Exif data.
