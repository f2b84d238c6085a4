// Finding player.dff in the game's archive as the game does, and what the user is told when
// the archive, its directory or the entry is missing or points nowhere.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "model/model_errors.h"
#include "model/player_model.h"
#include "tests/support/le_writer.h"
#include "tests/support/raises.h"
#include "tests/support/rw_writer.h"
#include "tests/support/temp_folder.h"

namespace vestura::test {
namespace {

class Archive : public ::testing::Test {
protected:
    TempFolder game;
};

TEST_F(Archive, TheFirstRecordNamedPlayerDffInAnyCaseIsRead) {
    const Bytes cube = writeDff(cubeClump(), kStamp34);
    writeArchive(game.path(), {{"ped_with_a_24_char_name_", Bytes(100, 1)},
                               {"PLAYER.DFF", cube},
                               {"player.dff", Bytes(3000, 0xEE)}});
    EXPECT_EQ(readArchiveEntry(game.path(), "player.dff").size(), 2048U);  // whole sectors
    EXPECT_EQ(loadPlayerModel(game.path()).triangles.size(), 12U);
}

TEST_F(Archive, ATwentyFourCharacterNameNeedsNoTerminator) {
    writeArchive(game.path(), {{"abcdefghijklmnopqrstuvwx", Bytes(10, 7)}});
    EXPECT_EQ(readArchiveEntry(game.path(), "abcdefghijklmnopqrstuvwx")[0], 7);
    EXPECT_THROW(readArchiveEntry(game.path(), "abcdefghijklmnopqrstuvw"), EModelNotFound);
}

TEST_F(Archive, EachMissingPieceIsNamed) {
    EXPECT_TRUE(raises<EModelNotFound>([&] { loadPlayerModel(game.path()); },
                                       "Player model not found: " + game.path() + "models/gta3.img"));
    writeArchive(game.path(), {{"other.dff", Bytes(4, 0)}});
    EXPECT_TRUE(raises<EModelNotFound>(
        [&] { loadPlayerModel(game.path()); },
        "Player model not found: player.dff in " + game.path() + "models/gta3.dir"));
    std::remove(game.file("models/gta3.dir").c_str());
    EXPECT_TRUE(raises<EModelNotFound>([&] { loadPlayerModel(game.path()); },
                                       "Player model not found: " + game.path() + "models/gta3.dir"));
}

TEST_F(Archive, RecordsPointingPastTheArchiveAreDamage) {
    writeArchive(game.path(), {{"player.dff", Bytes(10, 0)}});
    LeWriter record;  // sector 1000, 4 sectors: far past the one-sector archive
    record.u32(1000).u32(4).bytes(Bytes{'p', 'l', 'a', 'y', 'e', 'r', '.', 'd', 'f', 'f'});
    Bytes padded = record.result();
    padded.resize(32, 0);
    writeFile(game.file("models/gta3.dir"), std::string(padded.begin(), padded.end()));
    EXPECT_TRUE(raises<EInvalidModel>(
        [&] { loadPlayerModel(game.path()); },
        "Player model is not valid: the directory places player.dff past the end of gta3.img"));
}

TEST_F(Archive, ALastEntryShortOfAWholeSectorIsReadAsFarAsItGoes) {
    const Bytes cube = writeDff(cubeClump(), kStamp34);
    writeArchive(game.path(), {{"other.dff", Bytes(10, 1)}, {"player.dff", cube}});
    const std::string img = game.file("models/gta3.img");
    ASSERT_EQ(::truncate(img.c_str(), static_cast<off_t>(2048 + cube.size())), 0);
    EXPECT_EQ(readArchiveEntry(game.path(), "player.dff").size(), cube.size());
    EXPECT_EQ(loadPlayerModel(game.path()).triangles.size(), 12U);
    // With the entry's last sector not begun at all, the record points past the archive.
    ASSERT_EQ(::truncate(img.c_str(), 2048), 0);
    EXPECT_THROW(loadPlayerModel(game.path()), EInvalidModel);
}

TEST_F(Archive, AFifoInPlaceOfTheArchiveIsNotWaitedOn) {
    writeArchive(game.path(), {{"player.dff", writeDff(cubeClump(), kStamp34)}});
    std::remove(game.file("models/gta3.img").c_str());
    ASSERT_EQ(::mkfifo(game.file("models/gta3.img").c_str(), 0600), 0);
    EXPECT_THROW(loadPlayerModel(game.path()), EModelNotFound);
}

TEST(LooseModel, ReadsADffFileOrNamesTheMissingOne) {
    TempFolder folder;
    const Bytes cube = writeDff(cubeClump(), kStamp33);
    writeFile(folder.file("player.dff"), std::string(cube.begin(), cube.end()));
    EXPECT_EQ(loadModelFile(folder.file("player.dff")).triangles.size(), 12U);
    EXPECT_TRUE(raises<EModelNotFound>([&] { loadModelFile(folder.file("none.dff")); },
                                       "Player model not found: " + folder.file("none.dff")));
}

}  // namespace
}  // namespace vestura::test
