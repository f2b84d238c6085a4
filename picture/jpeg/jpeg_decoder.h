// The two libjpeg passes over a JPEG picture's data: the header pass at load and the decode
// pass at first draw.
#pragma once

#include "common/file_io.h"
#include "picture/bmp/bitmap.h"

namespace vestura::jpeg {

struct Header {
    int width = 0;
    int height = 0;
    bool grayscale = false;    // the stored colour space is greyscale
    bool progressive = false;  // the data has more than one scan
};

// Reads the headers up to the first scan. Raises EJPEG "JPEG error #<code>" when libjpeg
// fails or the picture is larger than the limits allow.
Header readHeader(ByteView data);

// Decodes the whole picture into `into`: 8 bits per pixel with a colour table of at most
// 236 entries for greyscale data or on a display of 8 bits or fewer, else 24 bits (BGR888).
// `into` takes its size as soon as libjpeg knows the output size; rows are then written in
// place, top row first. On failure EJPEG is raised and `into` keeps the rows decoded so far
// (rows not reached are zero: black, or colour 0 of the table); a failure before sizing
// leaves it as it was.
void decode(ByteView data, TBitmap& into);

}  // namespace vestura::jpeg
