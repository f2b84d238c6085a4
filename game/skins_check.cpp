// Reading a skin file's two headers and saying, in plain words, what the game cannot read.
#include "game/skins_check.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <string_view>

#include "common/platform.h"
#include "common/text8.h"
#include "game/skin_name.h"

namespace vestura {

namespace {

constexpr std::string_view kSkinsFolder = "skins";
constexpr std::string_view kSkinExtension = ".bmp";
constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::uint32_t kCoreHeaderSize = 12;
constexpr std::size_t kCoreHeaderEnd = 14 + 12;
constexpr int kSkinBitsPerPixel = 24;
// Widths beyond this are not worth working out a row length for: such a file is reported
// for its size already.
constexpr std::int64_t kLargestCheckedWidth = std::int64_t{1} << 24;

using text8::equalsIgnoringCase;

bool hasSkinExtension(std::string_view name) {
    return name.size() >= kSkinExtension.size() &&
           equalsIgnoringCase(name.substr(name.size() - kSkinExtension.size()), kSkinExtension);
}

std::uint32_t le16(std::span<const std::uint8_t> b, std::size_t at) {
    return std::uint32_t{b[at]} | std::uint32_t{b[at + 1]} << 8;
}
std::uint32_t le32(std::span<const std::uint8_t> b, std::size_t at) {
    return le16(b, at) | le16(b, at + 2) << 16;
}

std::string compressionText(std::uint32_t compression) {
    switch (compression) {
        case 1:
            return "compressed (RLE8)";
        case 2:
            return "compressed (RLE4)";
        case 3:
        case 6:
            return "stored with bit fields";
        case 4:
            return "holds a JPEG picture";
        case 5:
            return "holds a PNG picture";
        default:
            return "compression type " + std::to_string(compression);
    }
}

// The header fields the check looks at, from either header kind.
struct Fields {
    std::uint32_t headerSize;
    std::int64_t width;
    std::int64_t height;  // negative when stored top-down
    std::uint32_t planes;
    std::uint32_t bitsPerPixel;
    std::uint32_t compression;
};

// True when the pixel rows that an uncompressed file's header promises reach past its end.
bool pixelsCutShort(const Fields& f, std::uint32_t pixelOffset, std::uint64_t fileSize) {
    const bool uncompressed = f.compression == 0 || f.compression == 3;
    if (!uncompressed || f.width <= 0 || f.width > kLargestCheckedWidth || f.bitsPerPixel == 0 ||
        f.bitsPerPixel > 32) {
        return false;
    }
    const std::uint64_t stride =
        (static_cast<std::uint64_t>(f.width) * f.bitsPerPixel + 31) / 32 * 4;
    const std::uint64_t rows = static_cast<std::uint64_t>(f.height < 0 ? -f.height : f.height);
    return pixelOffset + stride * rows > fileSize;  // both factors below 2^32: no overflow
}

}  // namespace

bool SkinCheck::onlyForm() const {
    return std::all_of(problems.begin(), problems.end(),
                       [](const SkinProblem& p) { return p.kind == SkinProblem::Form; });
}

std::string SkinCheck::describe() const {
    std::string text;
    for (const SkinProblem& problem : problems) {
        text += (text.empty() ? "" : "; ") + problem.text;
    }
    return text;
}

std::optional<std::string> skinsFolderOf(const std::string& gameFolder) {
    const auto isFolder = [](const std::string& path) {
        struct stat info {};
        return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
    };
    const std::string exact = gameFolder + std::string(kSkinsFolder);
    if (isFolder(exact)) {
        return exact + platform::kPathSeparator;
    }
    DIR* dir = ::opendir(gameFolder.empty() ? "." : gameFolder.c_str());
    if (dir == nullptr) {
        return std::nullopt;
    }
    std::optional<std::string> found;
    while (const dirent* entry = ::readdir(dir)) {
        if (equalsIgnoringCase(entry->d_name, kSkinsFolder) &&
            isFolder(gameFolder + entry->d_name)) {
            found = gameFolder + entry->d_name + platform::kPathSeparator;
            break;
        }
    }
    ::closedir(dir);
    return found;
}

std::vector<std::string> skinFileNames(const std::string& skinsFolder) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(skinsFolder.c_str());
    if (dir == nullptr) {
        return names;
    }
    while (const dirent* entry = ::readdir(dir)) {
        if (hasSkinExtension(entry->d_name)) {
            names.emplace_back(entry->d_name);
        }
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<SkinProblem> headerProblems(std::span<const std::uint8_t> head,
                                        std::uint64_t fileSize) {
    if (head.size() < 2 || head[0] != 'B' || head[1] != 'M') {
        return {{SkinProblem::Unreadable, "not a BMP file"}};
    }
    const SkinProblem cutShort{SkinProblem::Unreadable, "file cut short"};
    if (head.size() < 18) {
        return {cutShort};
    }
    Fields f{le32(head, 14), 0, 0, 0, 0, 0};
    std::vector<SkinProblem> problems;
    if (f.headerSize != kInfoHeaderSize) {
        problems.push_back(
            {SkinProblem::Form,
             "information header of " + std::to_string(f.headerSize) + " bytes, not 40"});
    }
    if (f.headerSize == kCoreHeaderSize && head.size() >= kCoreHeaderEnd) {
        f.width = le16(head, 18);
        f.height = le16(head, 20);
        f.planes = le16(head, 22);
        f.bitsPerPixel = le16(head, 24);
    } else if (f.headerSize >= kInfoHeaderSize && head.size() >= kSkinHeaderBytes) {
        f.width = static_cast<std::int32_t>(le32(head, 18));
        f.height = static_cast<std::int32_t>(le32(head, 22));
        f.planes = le16(head, 26);
        f.bitsPerPixel = le16(head, 28);
        f.compression = le32(head, 30);
    } else {
        // A header of another size holds its fields elsewhere, or the file ends inside it.
        problems.push_back(f.headerSize == kCoreHeaderSize || f.headerSize >= kInfoHeaderSize
                               ? cutShort
                               : SkinProblem{SkinProblem::Unreadable, "not a BMP file"});
        return problems;
    }
    if (f.planes != 1) {
        problems.push_back({SkinProblem::Form, std::to_string(f.planes) + " colour planes, not 1"});
    }
    if (f.bitsPerPixel != kSkinBitsPerPixel) {
        problems.push_back({SkinProblem::Form, std::to_string(f.bitsPerPixel) +
                                                   (f.bitsPerPixel == 1 ? " bit" : " bits") +
                                                   " per pixel"});
    }
    if (f.compression != 0) {
        problems.push_back({SkinProblem::Form, compressionText(f.compression)});
    }
    if (f.height < 0) {
        problems.push_back({SkinProblem::Form, "stored top-down"});
    }
    const std::int64_t rows = f.height < 0 ? -f.height : f.height;
    if (f.width != kSkinSide || rows != kSkinSide) {
        problems.push_back({SkinProblem::Size, std::to_string(f.width) + " x " +
                                                   std::to_string(rows) + ", not 256 x 256"});
    }
    if (pixelsCutShort(f, le32(head, 10), fileSize)) {
        problems.push_back(cutShort);
    }
    return problems;
}

std::vector<SkinProblem> nameProblems(const std::string& name) {
    std::vector<SkinProblem> problems;
    const std::string_view base =
        hasSkinExtension(name) ? std::string_view(name).substr(0, name.size() - 4) : name;
    if (base.size() > kSkinNameMax) {
        problems.push_back({SkinProblem::Name, "name longer than 31 characters"});
    }
    if (std::any_of(base.begin(), base.end(), [](char c) { return (c & 0x80) != 0; })) {
        problems.push_back({SkinProblem::Name, "name not plain ASCII"});
    }
    // Save's own rule, so that every name it refuses is reported here as well.
    if (problems.empty() && !checkSkinName(name).accepted()) {
        problems.push_back({SkinProblem::Name, "name Windows cannot open"});
    }
    return problems;
}

namespace {

// The path with every link and "." or ".." resolved; empty when it cannot be resolved.
std::string resolved(const std::string& path) {
    char* real = ::realpath(path.c_str(), nullptr);
    if (real == nullptr) {
        return {};
    }
    std::string result(real);
    std::free(real);
    return result;
}

// True when the entry is a symbolic link whose file lies outside the skins folder.
bool linksOutside(const std::string& skinsFolder, const std::string& path) {
    struct stat entry {};
    if (::lstat(path.c_str(), &entry) != 0 || !S_ISLNK(entry.st_mode)) {
        return false;
    }
    const std::string folder = resolved(skinsFolder);
    const std::string target = resolved(path);
    return folder.empty() || target.size() <= folder.size() ||
           target.compare(0, folder.size(), folder) != 0 || target[folder.size()] != '/';
}

// The problems of the file's two headers; reads only its first bytes.
std::vector<SkinProblem> headerProblemsOf(const std::string& path, std::uint64_t fileSize) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return {{SkinProblem::Unreadable, "cannot be read"}};
    }
    std::uint8_t head[kSkinHeaderBytes];
    std::size_t got = 0;
    while (got < sizeof head) {
        const ssize_t n = ::read(fd, head + got, sizeof head - got);
        if (n <= 0) {
            break;
        }
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    return headerProblems({head, got}, fileSize);
}

}  // namespace

SkinCheck checkSkinFile(const std::string& skinsFolder, const std::string& name) {
    SkinCheck check{name, {}};
    const std::string path = skinsFolder + name;
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        check.problems.push_back({SkinProblem::Unreadable, "not a file"});
    } else if (linksOutside(skinsFolder, path)) {
        check.problems.push_back({SkinProblem::Outside, "link to a file outside skins/"});
    } else if (const auto size = static_cast<std::uint64_t>(info.st_size);
               size > kLargestSkinFileBytes) {
        check.problems.push_back(
            {SkinProblem::Unreadable, std::to_string(size) + " bytes, larger than any skin"});
    } else {
        check.problems = headerProblemsOf(path, size);
    }
    for (SkinProblem& problem : nameProblems(name)) {
        check.problems.push_back(std::move(problem));
    }
    return check;
}

}  // namespace vestura
