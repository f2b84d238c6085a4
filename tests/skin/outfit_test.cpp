// Outfit lines: what is written reads back as it was, what cannot be read says why, and the
// skins folder's record keeps one line per skin without losing anyone else's.
#include <gtest/gtest.h>

#include <thread>

#include "common/errors.h"
#include "skin/outfit.h"
#include "tests/support/temp_folder.h"

namespace vestura {
namespace {

using test::TempFolder;

Outfit outfitOf(std::string skin, std::initializer_list<std::pair<Category, std::string>> entries,
                std::optional<std::string> base = std::nullopt,
                std::initializer_list<std::pair<Category, QRgb>> colours = {}) {
    Outfit outfit;
    outfit.skin = std::move(skin);
    for (const auto& [c, entry] : entries) {
        outfit.entries[static_cast<std::size_t>(c)] = entry;
    }
    outfit.base = std::move(base);
    for (const auto& [c, colour] : colours) {
        outfit.colours[static_cast<std::size_t>(c)] = colour;
    }
    return outfit;
}

bool same(const Outfit& a, const Outfit& b) {
    return a.skin == b.skin && a.entries == b.entries && a.base == b.base && a.colours == b.colours;
}

TEST(OutfitLine, WhateverIsWrittenReadsBackTheSame) {
    const Outfit cases[] = {
        outfitOf("Tommy.bmp", {}),
        outfitOf("Tommy.bmp", {{Category::Shirt, "Hawaiian shirt"}, {Category::Boots, "2"}}),
        outfitOf("my skin.bmp", {{Category::Glasses, "\"Aviator\" 12\""},
                                 {Category::Jeans, "tab\there"}, {Category::Watch, ""},
                                 {Category::Chain, "\"\""}, {Category::Beard, "cr\rlf"}},
                 "/home/me/my \"old\" skins/base.bmp",
                 {{Category::Shirt, 0xFF1E90FF}, {Category::Boots, 0xFF000000}}),
        outfitOf("x.bmp", {{Category::Shirt, "caf\xc3\xa9 \xe9t\xe9"}}, "C:\\games\\skins\\a b.bmp"),
    };
    for (const Outfit& outfit : cases) {
        const std::string line = formatOutfitLine(outfit);
        const std::optional<Outfit> read = parseOutfitLine(line);
        ASSERT_TRUE(read) << line;
        EXPECT_TRUE(same(*read, outfit)) << line;
    }
    EXPECT_EQ(formatOutfitLine(cases[2]).find(".colour=#1E90FF") != std::string::npos, true);
}

TEST(OutfitLine, ReadsRecipesAsTheyWereWritten) {
    const std::optional<Outfit> read =
        parseOutfitLine("a.bmp\tshirt=\"Hawaiian shirt\"  boots=2 SHIRT.color=#a0b1c2\r");
    ASSERT_TRUE(read);
    EXPECT_TRUE(same(*read, outfitOf("a.bmp", {{Category::Shirt, "Hawaiian shirt"},
                                               {Category::Boots, "2"}},
                                     std::nullopt, {{Category::Shirt, 0xFFA0B1C2}})));
    EXPECT_FALSE(parseOutfitLine(" \t\r"));
}

TEST(OutfitLine, ALineThatIsNoOutfitSaysWhatIsWrong) {
    const struct {
        const char* line;
        const char* message;
        const char* unknownKey;
    } cases[] = {
        {"a.bmp shirt=\"open", "unclosed quote", ""},
        {"a.bmp shirt", "expected category=ENTRY, got shirt", "shirt"},
        {"a.bmp shrit=2", "unknown category shrit in shrit=2", "shrit"},
        {"a.bmp socks.colour=#000000", "unknown category socks in socks.colour=#000000", "socks"},
        {"a.bmp shirt.colour=#12345", "a colour is #RRGGBB in hexadecimal, not #12345", ""},
        {"a.bmp shirt.colour=#GG0000", "a colour is #RRGGBB in hexadecimal, not #GG0000", ""},
        {"a.bmp shirt.colour=red", "a colour is #RRGGBB in hexadecimal, not red", ""},
        {"a.bmp shirt.colour=#1234567", "a colour is #RRGGBB in hexadecimal, not #1234567", ""},
    };
    for (const auto& c : cases) {
        try {
            parseOutfitLine(c.line);
            ADD_FAILURE() << c.line << " was read";
        } catch (const OutfitLineError& e) {
            EXPECT_EQ(e.message(), c.message) << c.line;
            EXPECT_EQ(e.unknownKey(), c.unknownKey) << c.line;
        }
    }
}

TEST(OutfitEntries, AreRecordedByCaptionWhenTheCaptionLeadsBackToThem) {
    Catalogue catalogue;
    CategoryEntries shirts;
    shirts.captions = {"Usual", "Hawaiian", "4", "Hawaiian", "Plain \"blue\"", "1"};
    catalogue.keepEntries(Category::Shirt, shirts);
    const std::optional<std::string> expected[] = {
        std::nullopt, "Hawaiian", "2" /* "4" would read as entry 4 */, "3" /* a second one */,
        "Plain \"blue\"", "5" /* "1" reads as entry 1 */};
    for (int index = 0; index < 6; ++index) {
        const auto text = outfitEntryText(catalogue, Category::Shirt, index);
        EXPECT_EQ(text, expected[index]) << index;
        EXPECT_EQ(findOutfitEntry(catalogue, Category::Shirt, text.value_or("0")), index);
    }
    EXPECT_EQ(findOutfitEntry(catalogue, Category::Shirt, "Sailor"), std::nullopt);
    EXPECT_EQ(findOutfitEntry(catalogue, Category::Shirt, "6"), std::nullopt);
    EXPECT_EQ(findOutfitEntry(catalogue, Category::Shirt, "-1"), std::nullopt);
}

TEST(OutfitRecord, KeepsOneLinePerSkinAndEveryOtherLineAsItStands) {
    TempFolder skins;
    skins.write("outfits.txt",
                "Lance.bmp shirt=1\n"
                "broken.bmp shirt=\"open\n"
                "tommy.bmp boots=1\n"
                "\n"
                "Other.bmp jeans=2\n");
    recordOutfit(skins.path(), outfitOf("Tommy.bmp", {{Category::Shirt, "Hawaiian shirt"}}));
    recordOutfit(skins.path(), outfitOf("New.bmp", {}, "/tmp/base.bmp"));
    recordOutfit(skins.path(), outfitOf("BROKEN.bmp", {{Category::Boots, "3"}}));
    EXPECT_EQ(skins.read("outfits.txt"),
              "Lance.bmp shirt=1\n"
              "BROKEN.bmp boots=3\n"
              "Tommy.bmp shirt=\"Hawaiian shirt\"\n"
              "Other.bmp jeans=2\n"
              "New.bmp base=/tmp/base.bmp\n");
    const std::optional<Outfit> tommy = recordedOutfit(skins.path(), "TOMMY.BMP");
    ASSERT_TRUE(tommy);
    EXPECT_EQ(tommy->entries[static_cast<std::size_t>(Category::Shirt)], "Hawaiian shirt");
    EXPECT_FALSE(recordedOutfit(skins.path(), "Nobody.bmp"));

    TempFolder none;
    EXPECT_FALSE(recordedOutfit(none.path(), "Tommy.bmp"));
    recordOutfit(none.path(), outfitOf("Tommy.bmp", {}));
    EXPECT_EQ(none.read("outfits.txt"), "Tommy.bmp\n");
}

// On a folder that tells letter cases apart, Red.bmp and red.bmp are two skins: neither
// opens with the other's outfit, and recording one keeps the other's line.
TEST(OutfitRecord, ASkinInAnotherLetterCaseWithAFileOfItsOwnKeepsItsLine) {
    TempFolder skins;
    skins.write("Red.bmp", "one skin");
    skins.write("red.bmp", "another");
    skins.write("outfits.txt", "Red.bmp shirt=1\n");
    EXPECT_FALSE(recordedOutfit(skins.path(), "red.bmp"));
    EXPECT_TRUE(recordedOutfit(skins.path(), "Red.bmp"));
    recordOutfit(skins.path(), outfitOf("red.bmp", {{Category::Boots, "2"}}));
    EXPECT_EQ(skins.read("outfits.txt"), "Red.bmp shirt=1\nred.bmp boots=2\n");
    recordOutfit(skins.path(), outfitOf("Red.bmp", {{Category::Boots, "1"}}));
    EXPECT_EQ(skins.read("outfits.txt"), "Red.bmp boots=1\nred.bmp boots=2\n");
}

// Programs recording at once (the window's Save, render batches) each keep their lines.
TEST(OutfitRecord, WritersAtOnceEachKeepTheirLines) {
    TempFolder skins;
    constexpr int kEach = 40;
    const auto writer = [&](const std::string& prefix) {
        for (int k = 0; k < kEach; ++k) {
            recordOutfit(skins.path(), outfitOf(prefix + std::to_string(k) + ".bmp", {}));
        }
    };
    std::thread first(writer, "A"), second(writer, "B");
    first.join();
    second.join();
    for (const char* prefix : {"A", "B"}) {
        for (int k = 0; k < kEach; ++k) {
            EXPECT_TRUE(recordedOutfit(skins.path(), prefix + std::to_string(k) + ".bmp"))
                << prefix << k;
        }
    }
}

TEST(OutfitRecord, ALineThatCannotBeReadIsReportedWithItsNumber) {
    TempFolder skins;
    skins.write("outfits.txt", "a.bmp\n\nTommy.bmp shirt.colour=blue\n");
    try {
        recordedOutfit(skins.path(), "tommy.bmp");
        ADD_FAILURE() << "the broken line was read";
    } catch (const OutfitLineError& e) {
        EXPECT_EQ(e.message(), "line 3: a colour is #RRGGBB in hexadecimal, not blue");
    }
}

TEST(OutfitRecord, ARecordPastItsCapsIsRefusedAndLeftAsItIs) {
    const struct {
        std::string content;
        std::string why;
    } cases[] = {
        {std::string(kMaxOutfitFileBytes + 1, 'a'), " is larger than 4 MiB"},
        {"a.bmp\n" + std::string(kMaxOutfitLineBytes + 1, 'a'), ": line 2 is longer than 16 KiB"},
        {[] {
             std::string many;
             for (std::size_t i = 0; i <= kMaxOutfits; ++i) many += "a.bmp\n\n";
             return many;
         }(),
         " holds more than 10000 recipes"},
    };
    for (const auto& c : cases) {
        TempFolder skins;
        skins.write("outfits.txt", c.content);
        try {
            recordOutfit(skins.path(), outfitOf("Tommy.bmp", {}));
            ADD_FAILURE() << c.why;
        } catch (const OutfitFileRefused& e) {
            EXPECT_EQ(e.message(), "Outfits file " + skins.file("outfits.txt") + c.why);
        }
        EXPECT_EQ(skins.read("outfits.txt"), c.content);
    }
}

// Many skins in one write: each replaces its line, a skin named twice keeps its last outfit,
// and an outfit no line can hold, or a record past a cap, is refused with the record kept.
TEST(OutfitRecord, ManyAtOnceAndOnlyWhatReadsBack) {
    TempFolder skins;
    skins.write("outfits.txt", "Lance.bmp shirt=1\nTommy.bmp boots=1\n");
    const Outfit many[] = {outfitOf("new.bmp", {{Category::Boots, "1"}}),
                           outfitOf("TOMMY.bmp", {{Category::Shirt, "2"}}),
                           outfitOf("New.bmp", {{Category::Boots, "2"}})};
    recordOutfits(skins.path(), many);
    EXPECT_EQ(skins.read("outfits.txt"), "Lance.bmp shirt=1\nTOMMY.bmp shirt=2\nNew.bmp boots=2\n");

    const std::string kept = skins.read("outfits.txt");
    const std::string longCaption(kMaxOutfitLineBytes, 'x');
    const Outfit unfit[] = {outfitOf("a\nb.bmp", {}), outfitOf("a.bmp", {}, "/tmp/line\nbreak.png"),
                            outfitOf("a.bmp", {{Category::Shirt, longCaption}})};
    for (const Outfit& outfit : unfit) {
        EXPECT_THROW(recordOutfit(skins.path(), outfit), OutfitLineError) << outfit.skin;
    }
    // 10 bytes short of the cap, in lines the reader takes.
    const std::string line = "s.bmp shirt=" + std::string(kMaxOutfitLineBytes / 2, 'x') + "\n";
    std::string nearlyFull;
    while (nearlyFull.size() + line.size() + 100 < kMaxOutfitFileBytes) {
        nearlyFull += line;
    }
    nearlyFull +=
        "t.bmp shirt=" + std::string(kMaxOutfitFileBytes - 10 - nearlyFull.size() - 13, 'x') + "\n";
    ASSERT_EQ(nearlyFull.size(), kMaxOutfitFileBytes - 10);
    skins.write("outfits.txt", nearlyFull);
    try {
        recordOutfit(skins.path(), outfitOf("a.bmp", {{Category::Shirt, "Hawaiian shirt"}}));
        ADD_FAILURE() << "the record passed 4 MiB";
    } catch (const OutfitFileRefused& e) {
        EXPECT_EQ(e.message(),
                  "Outfits file " + skins.file("outfits.txt") + " would be larger than 4 MiB");
    }
    EXPECT_EQ(skins.read("outfits.txt"), nearlyFull);
}

}  // namespace
}  // namespace vestura
