// The public BMP conformance suite: every good file matches its reference rendering, and
// every questionable or bad file has one pinned outcome. None may crash or hang.
#include <gtest/gtest.h>

#include <QImage>
#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "common/errors.h"
#include "common/file_io.h"
#include "picture/bmp/bmp_reader.h"
#include "tests/support/raises.h"

namespace vestura {
namespace {

namespace fs = std::filesystem;

constexpr int kTolerance = 2;  // levels per channel; the references carry rounding

std::string suitePath(const std::string& relative) {
    return std::string(VESTURA_TEST_DATA_DIR) + "/bmpsuite/" + relative;
}

std::vector<std::string> bmpFilesIn(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(suitePath(folder), error)) {
        if (entry.path().extension() == ".bmp") {
            names.push_back(entry.path().stem().string());
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string testName(std::string name) {
    for (char& c : name) {
        if (c == '-') {
            c = '_';
        }
    }
    return name;
}

// The largest difference of any channel of any pixel, or an explanation of why there is
// none to measure.
::testing::AssertionResult matchesReference(const QImage& decoded, const std::string& reference) {
    const QImage expected = QImage(QString::fromStdString(suitePath("html/" + reference)))
                                .convertToFormat(QImage::Format_ARGB32);
    if (expected.isNull()) {
        return ::testing::AssertionFailure() << "no reference " << reference;
    }
    const QImage actual = decoded.convertToFormat(QImage::Format_ARGB32);
    if (actual.size() != expected.size()) {
        return ::testing::AssertionFailure() << "size differs from " << reference;
    }
    for (int y = 0; y < actual.height(); ++y) {
        for (int x = 0; x < actual.width(); ++x) {
            const QRgb a = actual.pixel(x, y);
            const QRgb e = expected.pixel(x, y);
            const int worst =
                std::max({std::abs(qRed(a) - qRed(e)), std::abs(qGreen(a) - qGreen(e)),
                          std::abs(qBlue(a) - qBlue(e)), std::abs(qAlpha(a) - qAlpha(e))});
            if (worst > kTolerance) {
                return ::testing::AssertionFailure()
                       << "pixel " << x << "," << y << " is " << std::hex << a << ", " << reference
                       << " has " << e;
            }
        }
    }
    return ::testing::AssertionSuccess();
}

DecodedBitmap decodeSuiteFile(const std::string& relative) {
    return readBmpFile(readWholeFile(suitePath(relative)));
}

// ---- g/: good files -------------------------------------------------------------------------

std::string referenceOfGoodFile(const std::string& name) {
    static const std::map<std::string, std::string> shared{
        {"pal8-0", "pal8"},           {"pal8rle", "pal8"},  {"pal8topdown", "pal8"},
        {"pal8os2", "pal8"},          {"pal8v4", "pal8"},   {"pal8v5", "pal8"},
        {"rgb32", "rgb24"},           {"rgb32bf", "rgb24"}, {"rgb24pal", "rgb24"},
        {"pal1wb", "pal1"},           {"pal4rle", "pal4"},  {"pal8nonsquare", "pal8nonsquare-e"},
        {"rgb16-565pal", "rgb16-565"}};
    const auto found = shared.find(name);
    return (found == shared.end() ? name : found->second) + ".png";
}

class GoodSuiteFile : public ::testing::TestWithParam<std::string> {};

TEST_P(GoodSuiteFile, MatchesItsReferenceRendering) {
    const DecodedBitmap decoded = decodeSuiteFile("g/" + GetParam() + ".bmp");
    EXPECT_TRUE(matchesReference(decoded.image, referenceOfGoodFile(GetParam())));
}

INSTANTIATE_TEST_SUITE_P(Bmpsuite, GoodSuiteFile, ::testing::ValuesIn(bmpFilesIn("g")),
                         [](const auto& info) { return testName(info.param); });

TEST(Bmpsuite, HasTheGoodFiles) {
    EXPECT_EQ(bmpFilesIn("g").size(), 23u);
}

// ---- q/ and b/: questionable and bad files --------------------------------------------------

enum class Outcome { Decoded, NotValid };

struct SuiteCase {
    const char* file;
    Outcome outcome;
    const char* reference = nullptr;  // for a decoded file that has a rendering to match
    const char* why = "";
};

void PrintTo(const SuiteCase& c, std::ostream* out) {
    *out << c.file;
}

const std::vector<SuiteCase>& questionableAndBad() {
    static const std::vector<SuiteCase> table{
        {"q/pal1p1", Outcome::Decoded, nullptr, "index 1 beyond a 1-entry table draws black"},
        {"q/pal2", Outcome::NotValid, nullptr, "2 bits per pixel"},
        {"q/pal4rletrns", Outcome::Decoded, "pal4rletrns-0.png", "skipped pixels take index 0"},
        {"q/pal8offs", Outcome::Decoded, "pal8.png", "gap before the pixels is skipped"},
        {"q/pal8os2sp", Outcome::Decoded, nullptr,
         "short core table: the offset lies inside the table, pixels follow 256 entries"},
        {"q/pal8os2v2-16", Outcome::NotValid, nullptr, "16-byte header"},
        {"q/pal8os2v2", Outcome::Decoded, "pal8.png", "64-byte header"},
        {"q/pal8oversizepal", Outcome::NotValid, nullptr, "300 colours"},
        {"q/pal8rletrns", Outcome::Decoded, "pal8rletrns-0.png", "skipped pixels take index 0"},
        {"q/rgb16-231", Outcome::Decoded, "rgb16-231.png", "2-3-1 bit fields"},
        {"q/rgb24jpeg", Outcome::NotValid, nullptr, "embedded JPEG"},
        {"q/rgb24largepal", Outcome::NotValid, nullptr, "300 colours"},
        {"q/rgb24lprof", Outcome::Decoded, "rgb24.png", "linked profile ignored"},
        {"q/rgb24png", Outcome::NotValid, nullptr, "embedded PNG"},
        {"q/rgb24prof", Outcome::Decoded, "rgb24.png", "embedded profile ignored"},
        {"q/rgb32-111110", Outcome::Decoded, "rgb24.png", "11-11-10 bit fields"},
        {"q/rgb32bf-xbgr", Outcome::Decoded, "rgb24.png", "masks inside a 124-byte header"},
        {"q/rgb32fakealpha", Outcome::Decoded, "rgb24.png", "alpha byte ignored"},
        {"q/rgb32h52", Outcome::Decoded, "rgb24.png", "52-byte header"},
        {"q/rgba16-4444", Outcome::Decoded, nullptr, "alpha ignored"},
        {"q/rgba32", Outcome::Decoded, nullptr, "alpha ignored"},
        {"q/rgba32abf", Outcome::NotValid, nullptr, "compression 6"},
        {"q/rgba32h56", Outcome::Decoded, nullptr, "56-byte header, alpha ignored"},
        {"b/badbitcount", Outcome::NotValid, nullptr, "30000 bits per pixel"},
        {"b/badbitssize", Outcome::Decoded, "pal1.png", "huge image size cut to the file"},
        {"b/baddens1", Outcome::Decoded, "pal1.png", "density is not used"},
        {"b/baddens2", Outcome::Decoded, "pal1.png", "density is not used"},
        {"b/badfilesize", Outcome::Decoded, "pal1.png", "file size field is not used"},
        {"b/badheadersize", Outcome::NotValid, nullptr, "66-byte header"},
        {"b/badpalettesize", Outcome::NotValid, nullptr, "305 million colours"},
        {"b/badplanes", Outcome::NotValid, nullptr, "30000 planes"},
        {"b/badrle", Outcome::Decoded, nullptr, "runs off the picture are dropped"},
        {"b/badwidth", Outcome::NotValid, nullptr, "negative width"},
        {"b/pal8badindex", Outcome::Decoded, nullptr, "indexes beyond the table draw black"},
        {"b/reallybig", Outcome::NotValid, nullptr, "3000000 x 2000000"},
        {"b/rletopdown", Outcome::NotValid, nullptr, "RLE stored top-down"},
        {"b/shortfile", Outcome::Decoded, nullptr, "missing top rows are colour 0"},
    };
    return table;
}

class OtherSuiteFile : public ::testing::TestWithParam<SuiteCase> {};

TEST_P(OtherSuiteFile, HasItsPinnedOutcome) {
    const SuiteCase& c = GetParam();
    const std::string path = std::string(c.file) + ".bmp";
    SCOPED_TRACE(c.why);
    switch (c.outcome) {
        case Outcome::Decoded: {
            const DecodedBitmap decoded = decodeSuiteFile(path);
            EXPECT_FALSE(decoded.image.isNull());
            if (c.reference != nullptr) {
                EXPECT_TRUE(matchesReference(decoded.image, c.reference));
            }
            break;
        }
        case Outcome::NotValid:
            EXPECT_TRUE(test::raises<EInvalidGraphic>([&] { decodeSuiteFile(path); },
                                                      "Bitmap image is not valid"));
            break;
    }
}

INSTANTIATE_TEST_SUITE_P(Bmpsuite, OtherSuiteFile, ::testing::ValuesIn(questionableAndBad()),
                         [](const auto& info) { return testName(info.param.file + 2); });

TEST(Bmpsuite, EveryQuestionableAndBadFileHasAPinnedOutcome) {
    std::set<std::string> pinned;
    for (const SuiteCase& c : questionableAndBad()) {
        pinned.insert(c.file);
    }
    std::set<std::string> present;
    for (const char* folder : {"q", "b"}) {
        for (const std::string& name : bmpFilesIn(folder)) {
            present.insert(std::string(folder) + "/" + name);
        }
    }
    EXPECT_EQ(pinned, present);
}

}  // namespace
}  // namespace vestura
