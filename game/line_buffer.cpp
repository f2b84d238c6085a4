// The scratch line buffer: loading with line-break normalisation, line access through an
// index of line starts, editing and saving.
#include "game/line_buffer.h"

#include <algorithm>
#include <cstdint>

#include "common/errors.h"
#include "common/file_io.h"
#include "common/messages.h"

namespace vestura {

namespace {

constexpr std::string_view kBreak = "\r\n";
constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";
constexpr std::size_t kReadChunk = 64 * 1024;

// Turns CR LF, lone LF and lone CR into CR LF and stops at the first NUL. Fed piece by
// piece, so a CR at the end of one piece and an LF at the start of the next still make
// one break.
class BreakNormaliser {
public:
    // Appends the normalised bytes of `piece` to `out`; false once a NUL ended the text.
    bool feed(std::string_view piece, std::string& out) {
        while (!piece.empty()) {
            const std::size_t run = ordinaryRun(piece);
            if (run > 0) {
                out.append(piece.substr(0, run));
                afterCr_ = false;
            }
            if (run == piece.size()) {
                break;
            }
            const char c = piece[run];
            piece.remove_prefix(run + 1);
            if (c == '\0') {
                return false;
            }
            if (c == '\r' || !afterCr_) {
                out += kBreak;  // an LF right after a CR belongs to that CR's break
            }
            afterCr_ = c == '\r';
        }
        return true;
    }

private:
    // How many bytes at the start are neither NUL, CR nor LF.
    static std::size_t ordinaryRun(std::string_view piece) {
        std::size_t run = 0;
        while (run < piece.size() && piece[run] != '\0' && piece[run] != '\r' &&
               piece[run] != '\n') {
            ++run;
        }
        return run;
    }

    bool afterCr_ = false;
};

std::string normalised(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    BreakNormaliser().feed(s, out);
    return out;
}

// Reads the file as buffer text, stopping at a NUL and as soon as the text outgrows the
// capacity. Only regular files are read (a FIFO or device fails at once), and a file larger
// than the capacity is refused before any of it is read.
std::string readText(const std::string& path) {
    RegularFile file(path);
    if (file.size() > LineBuffer::kCapacity) {
        throw ETextTooLarge(std::string(msg::kTextTooLarge));
    }
    std::string text;
    text.reserve(static_cast<std::size_t>(file.size()));
    BreakNormaliser normaliser;
    char chunk[kReadChunk];
    for (;;) {
        const std::size_t got = file.read(chunk, sizeof chunk);
        const bool more = normaliser.feed(std::string_view(chunk, got), text);
        if (text.size() > LineBuffer::kCapacity) {
            throw ETextTooLarge(std::string(msg::kTextTooLarge));
        }
        if (!more || got < sizeof chunk) {
            break;
        }
    }
    return text;
}

}  // namespace

void LineBuffer::load(const std::string& path) {
    text_ = readText(path);
    // A byte-order mark written by a Windows editor is not text: left in, it would hide
    // the first line from anything that compares it.
    if (text_.starts_with(kUtf8ByteOrderMark)) {
        text_.erase(0, kUtf8ByteOrderMark.size());
    }
    rebuildLineStarts();
}

int LineBuffer::lineCount() const {
    const std::size_t lines = lineStarts_.size();
    return static_cast<int>(lineStarts_.back() == text_.size() ? lines - 1 : lines);
}

std::string LineBuffer::line(int i) const {
    return std::string(lineView(i));
}

std::string_view LineBuffer::lineView(int i) const {
    if (i < 0 || i >= lineCount()) {
        return std::string_view();
    }
    const auto index = static_cast<std::size_t>(i);
    const std::size_t start = lineStarts_[index];
    const std::size_t length = std::min(lineEnd(index) - start, kMaxLineLength);
    return std::string_view(text_).substr(start, length);
}

void LineBuffer::setLine(int i, std::string_view s) {
    if (i < 0 || static_cast<std::size_t>(i) >= lineStarts_.size()) {
        return;
    }
    const auto index = static_cast<std::size_t>(i);
    const std::size_t start = lineStarts_[index];
    text_.replace(start, lineEnd(index) - start, normalised(s));
    rebuildLineStarts();
}

void LineBuffer::add(std::string_view s) {
    if (lineStarts_.back() == text_.size()) {
        text_ += normalised(s);
        text_ += kBreak;
    } else {
        text_ += kBreak;
        text_ += normalised(s);
    }
    rebuildLineStarts();
}

void LineBuffer::clear() {
    text_.clear();
    rebuildLineStarts();
}

void LineBuffer::save(const std::string& path) const {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text_.data());
    writeFileSafely(path, {ByteView(bytes, text_.size())});
}

void LineBuffer::rebuildLineStarts() {
    lineStarts_.assign(1, 0);
    for (std::size_t at = text_.find(kBreak); at != std::string::npos;
         at = text_.find(kBreak, at + kBreak.size())) {
        lineStarts_.push_back(at + kBreak.size());
    }
}

// Where line i's characters end: before its break, or at the end of the text.
std::size_t LineBuffer::lineEnd(std::size_t i) const {
    return i + 1 < lineStarts_.size() ? lineStarts_[i + 1] - kBreak.size() : text_.size();
}

}  // namespace vestura
