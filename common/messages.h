// The message texts of the program's vocabulary, in one place, with the one formatter
// that fills their %s / %d.
#pragma once

#include <string>
#include <string_view>

namespace vestura::msg {

inline constexpr std::string_view kCannotOpenFile = "Cannot open file %s";
inline constexpr std::string_view kCannotCreateFile = "Cannot create file %s";
inline constexpr std::string_view kStreamReadError = "Stream read error";
inline constexpr std::string_view kStreamWriteError = "Stream write error";
inline constexpr std::string_view kTextTooLarge = "Text exceeds memo capacity";
inline constexpr std::string_view kUnknownExtension = "Unknown picture file extension (.%s)";
inline constexpr std::string_view kBitmapInvalid = "Bitmap image is not valid";
inline constexpr std::string_view kIconInvalid = "Icon image is not valid";
inline constexpr std::string_view kMetafileInvalid = "Metafile is not valid";
inline constexpr std::string_view kPngInvalid = "PNG image is not valid";
inline constexpr std::string_view kTgaInvalid = "TGA image is not valid";
inline constexpr std::string_view kJpegError = "JPEG error #%d";
inline constexpr std::string_view kOutOfMemory = "Out of memory";

// Replaces the first "%s" or "%d" of the pattern with the argument.
std::string format(std::string_view pattern, std::string_view argument);
std::string format(std::string_view pattern, long long number);

}  // namespace vestura::msg
