// The pictures built into the program: the base skin every skin starts from, the window's
// background and the program icon. Their files are compiled in as Qt resources.
#pragma once

#include <memory>

#include "common/file_io.h"
#include "picture/bmp/bitmap.h"

namespace vestura {

enum class BuiltinPicture { BaseSkin, Background, ProgramIcon };

// The built-in file's bytes, exactly as committed under assets/, where the program holds
// them: valid for as long as the program runs.
ByteView builtinPictureBytes(BuiltinPicture which);

// A copy of those bytes.
Bytes builtinPictureFile(BuiltinPicture which);

// The base skin or the background, decoded by the BMP reader like any bitmap file. The
// program icon is no bitmap file: asking for it raises EInvalidGraphic.
std::unique_ptr<TBitmap> loadBuiltinBitmap(BuiltinPicture which);

}  // namespace vestura
