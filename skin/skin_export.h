// Writing the composed skin into the game's skins folder: the output path, the colour table
// every skin file carries, and the safe write of the file.
#pragma once

#include <QImage>
#include <array>
#include <memory>
#include <string>

#include "common/file_io.h"

namespace vestura {

// The colour table written into every skin file. There is no system palette to read, so
// the table is fixed: entries 0..215 are the 6 x 6 x 6 colour cube (levels 0, 51, 102,
// 153, 204, 255; index = 36 x red level + 6 x green level + blue level), entries 216..255
// a ramp of 40 greys strictly between black and white (value round(255 x (i + 1) / 41)).
// A 24-bit reader ignores it; it never affects the pixels.
extern const std::array<QRgb, 256> kSkinColorTable;

// The skins folder a skin is saved into, ending with a separator: the game folder's own
// "skins" folder in whatever letter case it has. When it has none but holds the game, "skins"
// is made there (raising EFCreateError "Cannot create file <folder>" with its cause when it
// cannot be). Otherwise gameFolder + "skins" + separator by plain concatenation, where the
// write then fails: a game folder without its final separator glues "skins" to its last name.
std::string skinsFolderForSave(const std::string& gameFolder);

// Writes `skin` to `path` as a 24-bit BMP with kSkinColorTable (197,686 bytes for a
// 256 x 256 skin), replacing any file there. The file header, information header, colour
// table and pixels go out as four checked writes into a temporary file that then replaces
// the target. Raises EFCreateError "Cannot create file <path>" or EWriteError "Stream write
// error"; either way an existing file is left exactly as it was.
void writeSkinFile(const std::string& path, const QImage& skin);

// The same file written in full into its temporary file and left there, for a batch that
// makes many skins durable at once and then commits each. Raises as writeSkinFile.
std::unique_ptr<PendingFile> prepareSkinFile(const std::string& path, const QImage& skin);

}  // namespace vestura
