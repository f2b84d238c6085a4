// Skin names: which typed names Save takes, the file each gives, and that the skins check
// calls every accepted file ok.
#include <gtest/gtest.h>

#include "game/skin_name.h"
#include "game/skins_check.h"

namespace vestura {
namespace {

struct NameCase {
    const char* typed;
    const char* fileName;  // nullptr: refused
};

TEST(SkinNameTest, AcceptsWhatTheGameReadsAndRefusesTheRest) {
    const NameCase cases[] = {
        {"Lance", "Lance.bmp"},
        {"  Tommy Vercetti  ", "Tommy Vercetti.bmp"},
        {"Lance.bmp", "Lance.bmp"},
        {"Lance.BMP", "Lance.bmp"},
        {"Lance.bmp.bmp", "Lance.bmp.bmp"},
        {"a.b", "a.b.bmp"},
        {".hidden", ".hidden.bmp"},
        {"Console", "Console.bmp"},
        {"com10", "com10.bmp"},
        {"1234567890123456789012345678901", "1234567890123456789012345678901.bmp"},
        {"", nullptr},
        {"   ", nullptr},
        {".bmp", nullptr},
        {" .BMP ", nullptr},
        {".", nullptr},
        {"..", nullptr},
        {"../evil", nullptr},
        {"a/b", nullptr},
        {"a\\b", nullptr},
        {"..\\evil", nullptr},
        {"tab\there", nullptr},
        {"new\nline", nullptr},
        {"del\x7f", nullptr},
        {"Tom\xc3\xa1s Caf\xc3\xa9", nullptr},
        {"Tom\xe1s", nullptr},
        {"what?", nullptr},
        {"a:b", nullptr},
        {"star*", nullptr},
        {"<x>", nullptr},
        {"pipe|", nullptr},
        {"say \"hi\"", nullptr},
        {"CON", nullptr},
        {"nul.bmp", nullptr},
        {"Lpt1.old", nullptr},
        {"con .bmp", nullptr},
        {"Aux..x", nullptr},
        {"CONIN$", nullptr},
        {"12345678901234567890123456789012", nullptr},
    };
    for (const NameCase& c : cases) {
        SCOPED_TRACE(c.typed);
        const SkinName name = checkSkinName(c.typed);
        if (c.fileName == nullptr) {
            EXPECT_FALSE(name.accepted());
            EXPECT_TRUE(name.fileName.empty());
        } else {
            ASSERT_TRUE(name.accepted()) << name.refusal;
            EXPECT_EQ(name.fileName, c.fileName);
            EXPECT_TRUE(nameProblems(name.fileName).empty());
        }
    }
}

// The skins check and Save agree both ways: a name Save refuses is a problem there too.
TEST(SkinNameTest, TheSkinsCheckReportsEveryNameSaveRefuses) {
    for (const char* file : {"con.bmp", "con .bmp", "a:b.bmp", "what?.bmp", "..bmp"}) {
        EXPECT_FALSE(nameProblems(file).empty()) << file;
    }
}

// Every single byte a name can hold: the ones accepted give a file the skins check calls ok.
TEST(SkinNameTest, EveryAcceptedByteIsOneTheSkinsCheckAccepts) {
    for (int byte = 1; byte < 256; ++byte) {
        const std::string typed = "a" + std::string(1, char(byte)) + "b";
        const SkinName name = checkSkinName(typed);
        if (name.accepted()) {
            EXPECT_TRUE(nameProblems(name.fileName).empty()) << byte;
            EXPECT_EQ(name.fileName.find_first_of("/\\"), std::string::npos) << byte;
        }
    }
}

}  // namespace
}  // namespace vestura
