// The scratch line buffer through which every text file of the program is read and
// written (the settings file and the seven list files). Text is 8-bit; after a load or an
// add every line break in it is CR LF.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vestura {

class LineBuffer {
public:
    // The most text a load accepts; a larger text raises ETextTooLarge.
    // 512 KiB holds thousands of records; seven list files this full (a record marker on
    // every line, about 75,000 entries each) still open the window in about a second.
    static constexpr std::size_t kCapacity = std::size_t{512} << 10;  // 512 KiB
    // Longest line that line(i) hands out.
    static constexpr std::size_t kMaxLineLength = 4096;

    // Replaces the whole text with the file's bytes, up to the first NUL, every CR LF,
    // lone LF and lone CR turned into CR LF. A file that cannot be opened raises
    // EFOpenError "Cannot open file <path>" and leaves the buffer unchanged.
    void load(const std::string& path);

    // Lines, not counting an empty last line.
    int lineCount() const;
    // Line i without its break, cut to kMaxLineLength; empty at or past the line count.
    std::string line(int i) const;
    // The same characters without a copy; valid until the text next changes.
    std::string_view lineView(int i) const;
    // Replaces line i's characters, keeping its break. Nothing happens past the last line
    // (an empty last line counts). Breaks inside s become CR LF and a NUL ends s, as in a
    // load, so the text keeps its one kind of break.
    void setLine(int i, std::string_view s);
    // Appends s as a new line: after the text when it ends with an empty line (s then gets
    // a break), else after a new break (the text then ends without one).
    void add(std::string_view s);
    void clear();
    // Writes the text byte for byte (safe write). Raises EFCreateError "Cannot create file
    // <path>" or EWriteError "Stream write error"; the old file then stays as it was.
    void save(const std::string& path) const;

    const std::string& text() const { return text_; }

private:
    // Offsets where each line starts, the empty last line included: lines are read by
    // index, so walking every line of a big list file stays linear.
    void rebuildLineStarts();
    std::size_t lineEnd(std::size_t i) const;

    std::string text_;
    std::vector<std::size_t> lineStarts_{0};
};

}  // namespace vestura
