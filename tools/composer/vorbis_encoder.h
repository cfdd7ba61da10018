// Writing Ogg Vorbis files (for the composer, tests and tools; the show only reads).
//
//   std::string why;
//   bool ok = writeOggVorbis("out.ogg", samples, frames, 2, 44100, 0.6f, &why);
//
// samples are interleaved floats in [-1, 1]. Same input, same bytes: the
// stream serial number is fixed. The file is written beside and renamed
// into place, so a failure never leaves half a file under the name.
#pragma once
#include <cstdint>
#include <string>

bool writeOggVorbis(const char* path, const float* interleaved, int64_t frames, int channels, int rate,
                    float quality, std::string* why);
