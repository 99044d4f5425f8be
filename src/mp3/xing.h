// The encoder's info header that the first audio frame of an MP3 file often
// holds instead of audio: a Xing header ("Xing" for variable, "Info" for
// constant bit rates), with the LAME tag most encoders add after it, or a
// VBRI header (Fraunhofer). It gives the frame and byte counts of the file,
// a seek table, and the encoder's delay and padding.
#pragma once

#include <cstdint>

#include "common/report.h"
#include "common/source.h"
#include "mp3/mpeg.h"

namespace tagdelve {

// Looks into the audio frame whose 4 header bytes `h` began at `at` (the
// source stands after them) and `length` bytes long, without consuming it,
// and shows its info header if it holds one (lines at verbose > 0; a LAME
// tag whose CRC is wrong, or a header that runs past its frame, is an error
// at every verbosity). Notes the frame count in `stats`.
void info_frame(Report& r, Source& src, const uint8_t* h, int64_t at, int64_t length, MpegStats& stats);

// The CRC-16 of LAME tags (polynomial 0x8005, reflected, initial 0).
uint16_t lame_crc(const uint8_t* p, size_t n);

}  // namespace tagdelve
