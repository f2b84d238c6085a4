// Outfits in the window: Save records each skin's outfit, Open brings a skin back with it or
// takes any picture as the base, the base shows under the preview, F5 keeps colours and base,
// and Ctrl+R picks a random outfit.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QAction>
#include <QDir>
#include <QGroupBox>
#include <QMenu>
#include <QTest>
#include <filesystem>
#include <map>

#include "app/builtin_art.h"
#include "app/preview_widget.h"
#include "skin/colourise.h"
#include "tests/app/window_fixture.h"

namespace vestura::test {
namespace {

constexpr QRgb kBlue = 0xFF1E90FF;

class OutfitWindowTest : public WindowTest {
protected:
    void SetUp() override {
        writeEmptyCatalogue();
        writePart("red.bmp", 20, 20, qRgb(250, 0, 0));
        writePart("green.bmp", 20, 20, qRgb(0, 250, 0));
        writePart("grey.bmp", 30, 30, qRgb(120, 120, 120));
        program.write("k.ls",
                      "<NEW>\r\ngrey.bmp\r\nGrey shirt\r\n<NEW>\r\ngreen.bmp\r\n"
                      "Green shirt\r\n");
        // A caption that reads as another entry's index is recorded by its own index.
        program.write("b.ls", "<NEW>\r\nred.bmp\r\n2\r\n<NEW>\r\ngreen.bmp\r\nBoots\r\n");
        program.write("c.ls", "<NEW>\r\nred.bmp\r\nRed chain\r\n");
        useGameFolder(game.path());
        skins = game.path() + "skins/";
        ASSERT_TRUE(QDir().mkpath(QString::fromStdString(skins)));
        // A foreign skin, half red and half blue, at half the size of a skin.
        QImage foreign(128, 128, QImage::Format_RGB32);
        foreign.fill(qRgb(200, 30, 30));
        for (int y = 0; y < 128; ++y) {
            for (int x = 64; x < 128; ++x) {
                foreign.setPixel(x, y, qRgb(30, 30, 200));
            }
        }
        ASSERT_TRUE(QDir().mkpath(QString::fromStdString(game.file("downloads"))));
        foreignPath = game.path() + "downloads/cool skin.png";
        ASSERT_TRUE(foreign.save(QString::fromStdString(foreignPath), "PNG"));
    }

    void pick(QComboBox* box, int index) {
        box->setCurrentIndex(index);
        emit box->activated(index);
    }
    void save(const std::string& name) {
        form->Edit2->setText(QString::fromStdString(name));
        form->Button3->click();
    }
    QImage shown() const {
        return form->previewWidget->grab()
            .toImage()
            .convertToFormat(QImage::Format_RGB32)
            .copy(kBaseSkinX, kBaseSkinY, kSkinSize, kSkinSize);
    }
    std::string record() const { return readFile(skins + "outfits.txt"); }
    // The shown outfit: every selector's index.
    std::vector<int> entries() const {
        std::vector<int> indices;
        for (QComboBox* box : {form->ComboBox1, form->ComboBox2, form->ComboBox4, form->ComboBox5,
                               form->ComboBox6, form->ComboBox7, form->ComboBox3}) {
            indices.push_back(box->currentIndex());
        }
        return indices;
    }

    std::string skins;
    std::string foreignPath;
};

TEST_F(OutfitWindowTest, SaveRecordsTheOutfitByCaptionWithBaseAndColours) {
    createWindow();
    pick(form->ComboBox6, 2);  // Green shirt
    pick(form->ComboBox3, 1);  // the entry captioned "2"
    form->setPartColour(Category::Shirt, kBlue);
    form->openSkinFile(foreignPath);
    save("Tommy");
    ASSERT_EQ(services.messages.size(), 1u) << services.messages[0].text;
    EXPECT_EQ(services.messages[0].text, "Skin saved");
    EXPECT_EQ(record(), "Tommy.bmp shirt=\"Green shirt\" boots=1 base=\"" + foreignPath +
                            "\" shirt.colour=#1E90FF\n");

    // Saved again with other choices: its line is replaced, another skin's line added.
    form->useBuiltInBase();
    form->setPartColour(Category::Shirt, std::nullopt);
    pick(form->ComboBox6, 1);
    save("Tommy");
    save("Lance");
    EXPECT_EQ(record(),
              "Tommy.bmp shirt=\"Grey shirt\" boots=1\nLance.bmp shirt=\"Grey shirt\" "
              "boots=1\n");
}

TEST_F(OutfitWindowTest, ReopeningASavedSkinAndSavingItAgainGivesTheSameBytes) {
    createWindow();
    pick(form->ComboBox6, 1);
    pick(form->ComboBox4, 1);
    pick(form->ComboBox3, 2);
    form->setPartColour(Category::Shirt, kBlue);
    form->setPartColour(Category::Boots, 0xFF808000);
    form->openSkinFile(foreignPath);
    save("Tommy");
    const std::string skin = readFile(skins + "Tommy.bmp");
    const std::string line = record();
    const std::vector<int> made = entries();

    createWindow();  // a fresh start: nothing chosen
    services.messages.clear();
    form->openSkinFile(skins + "Tommy.bmp");
    EXPECT_TRUE(services.messages.empty()) << services.messages[0].text;
    EXPECT_EQ(entries(), made);
    EXPECT_EQ(form->partColour(Category::Shirt), kBlue);
    EXPECT_EQ(form->partColour(Category::Boots), 0xFF808000);
    EXPECT_EQ(form->basePath(), foreignPath);
    EXPECT_EQ(form->Edit2->text(), "Tommy");
    form->Button3->click();
    ASSERT_EQ(services.messages.size(), 2u);
    EXPECT_EQ(services.messages[0].text, "Replace skin?");
    EXPECT_EQ(services.messages[1].text, "Skin saved");
    EXPECT_TRUE(readFile(skins + "Tommy.bmp") == skin);
    EXPECT_EQ(record(), line);
}

TEST_F(OutfitWindowTest, CaptionsNoLongerListedOpenAtTheDefaultEntryAndAreNamedOnce) {
    createWindow();
    pick(form->ComboBox1, 0);
    save("Old");
    writeFile(skins + "outfits.txt",
              "Old.bmp shirt=\"Gone shirt\" boots=Boots chain=\"Also gone\" base=missing.png\n");
    services.messages.clear();
    pick(form->ComboBox6, 2);
    form->openSkinFile(skins + "Old.bmp");
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].text,
              "Old.bmp was opened without:\nChain or singlet: \"Also gone\"\nShirt: \"Gone "
              "shirt\"\nthe base skin " +
                  skins + "missing.png (Cannot open file " + skins +
                  "missing.png: the file does not exist)");
    EXPECT_EQ(services.messages[0].flags, mb::kWarning);
    EXPECT_NE(services.messages[0].detail.find("show their default entries"), std::string::npos);
    EXPECT_EQ(form->ComboBox6->currentIndex(), 0);
    EXPECT_EQ(form->ComboBox4->currentIndex(), 0);
    EXPECT_EQ(form->ComboBox3->currentText(), "Boots");
    EXPECT_FALSE(form->basePath());
}

// A line that cannot be read, or a record that is refused, is reported and opens nothing.
TEST_F(OutfitWindowTest, AnUnreadableRecordIsReportedAndChangesNothing) {
    struct Case {
        const char* name;
        std::function<void(const std::string& record)> make;
        std::string message;  // what the box says begins so
        std::string detail;   // and its detail holds this
    };
    const std::string path = skins + "outfits.txt";
    const std::vector<Case> cases = {
        {"a broken line",
         [](const std::string& at) { writeFile(at, "A.bmp shirt=1\nOld.bmp nonsense=3\n"); },
         "The outfit recorded for Old.bmp cannot be read.",
         path + ", line 2: unknown category nonsense in nonsense=3. Nothing was opened."},
        {"a FIFO", [](const std::string& at) { ASSERT_EQ(::mkfifo(at.c_str(), 0600), 0); },
         "Cannot open file " + path, ""},
        {"a record over 4 MiB",
         [](const std::string& at) {
             writeFile(at, std::string((std::size_t{4} << 20) + 1, '\n'));
         },
         "Outfits file " + path + " is larger than 4 MiB", ""},
    };
    createWindow();
    save("Old");
    pick(form->ComboBox6, 2);
    const std::vector<int> before = entries();
    const QImage look = shown();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(path);
        c.make(path);
        services.messages.clear();
        form->openSkinFile(skins + "Old.bmp");
        ASSERT_EQ(services.messages.size(), 1u);
        EXPECT_EQ(services.messages[0].text.rfind(c.message, 0), 0u) << services.messages[0].text;
        EXPECT_NE(services.messages[0].detail.find(c.detail), std::string::npos)
            << services.messages[0].detail;
        EXPECT_EQ(entries(), before);
        EXPECT_EQ(form->Edit2->text(), "Old");
        EXPECT_FALSE(form->basePath());
        EXPECT_EQ(shown(), look);
    }
}

TEST_F(OutfitWindowTest, AForeignSkinBecomesTheBaseScaledAndTheBuiltInComesBack) {
    createWindow();
    pick(form->ComboBox6, 2);
    const QImage builtIn = shown();
    EXPECT_FALSE(form->BaseLabel->isVisible());

    form->openSkinFile(foreignPath);
    EXPECT_TRUE(services.messages.empty());
    EXPECT_EQ(form->basePath(), foreignPath);
    EXPECT_EQ(form->ComboBox6->currentIndex(), 2);          // the selectors keep what they show
    EXPECT_EQ(shown().pixel(40, 4), qRgb(200, 30, 30));     // left half, scaled to 256
    EXPECT_EQ(shown().pixel(250, 250), qRgb(30, 30, 200));  // right half
    EXPECT_EQ(shown().pixel(95 - 8 + 5, 145 - 17 + 5), qRgb(0, 250, 0));  // the shirt on it
    EXPECT_TRUE(form->BaseLabel->isVisibleTo(form.get()));
    // Under the preview, between the folder's label and the skin name's.
    const QRect base = form->BaseLabel->geometry();
    EXPECT_EQ(base.top(), 304);
    EXPECT_GT(base.left(), form->Label3->geometry().right() + 5);
    EXPECT_LT(base.right(), form->Label9->geometry().left());
    EXPECT_TRUE(form->BaseLabel->text().contains("cool skin.png"));
    EXPECT_TRUE(form->BaseLabel->toolTip().contains(QString::fromStdString(foreignPath)));

    emit form->BaseLabel->linkActivated("#");
    EXPECT_FALSE(form->basePath());
    EXPECT_FALSE(form->BaseLabel->isVisibleTo(form.get()));
    EXPECT_EQ(shown(), builtIn);

    // A picture that cannot be read changes nothing.
    writeFile(game.file("broken.png"), "not a picture");
    form->openSkinFile(game.file("broken.png"));
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].flags, mb::kFailure);
    EXPECT_FALSE(form->basePath());
    EXPECT_EQ(shown(), builtIn);
}

TEST_F(OutfitWindowTest, ReloadAndTheWatcherKeepColoursAndBase) {
    createWindow();
    pick(form->ComboBox6, 1);
    form->setPartColour(Category::Shirt, kBlue);
    form->openSkinFile(foreignPath);
    const QImage look = shown();
    QTest::keyClick(form->ComboBox6, Qt::Key_F5);
    EXPECT_EQ(form->partColour(Category::Shirt), kBlue);
    EXPECT_EQ(form->basePath(), foreignPath);
    EXPECT_EQ(shown(), look);

    // The shirt's picture changes on disk: read again, and coloured again.
    writePart("grey.bmp", 30, 30, qRgb(200, 200, 200));
    const QRgb lighter = colourisedPixel(qRgb(200, 200, 200), kBlue);
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return shown().pixel(95 - 8 + 5, 145 - 17 + 5) == lighter; }, 5000));
    EXPECT_EQ(form->basePath(), foreignPath);
    EXPECT_EQ(shown().pixel(40, 4), qRgb(200, 30, 30));
    EXPECT_TRUE(services.messages.empty());
}

TEST_F(OutfitWindowTest, SaveNeverWritesOverThePictureTheBaseWasReadFrom) {
    createWindow();
    QImage cool(256, 256, QImage::Format_RGB32);
    cool.fill(qRgb(10, 120, 10));
    ASSERT_TRUE(cool.save(QString::fromStdString(skins + "Cool.bmp"), "BMP"));
    const std::string before = readFile(skins + "Cool.bmp");
    form->openSkinFile(skins + "Cool.bmp");  // no outfit recorded: it becomes the base
    EXPECT_EQ(form->basePath(), skins + "Cool.bmp");
    EXPECT_EQ(form->Edit2->text(), "NewSkin");
    save("cool");
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].text, "Cool.bmp is the base skin of this one.");
    EXPECT_EQ(readFile(skins + "Cool.bmp"), before);
    save("Cooler");
    EXPECT_EQ(services.messages.back().text, "Skin saved");
}

// The skin is written first; a record that cannot be written is reported in a box of its own,
// the skin stays, and the record is left as it was.
TEST_F(OutfitWindowTest, ARecordThatCannotBeWrittenIsReportedAndKeepsTheSkin) {
    struct Case {
        const char* name;
        std::function<void(const std::string& record)> make;
        std::string message;
    };
    const std::string path = skins + "outfits.txt";
    const std::vector<Case> cases = {
        {"a folder", [](const std::string& at) { std::filesystem::create_directory(at); },
         "Cannot create file " + path + "."},
        {"a FIFO", [](const std::string& at) { ASSERT_EQ(::mkfifo(at.c_str(), 0600), 0); },
         "Cannot create file " + path + "."},
        {"over 4 MiB",
         [](const std::string& at) {
             writeFile(at, std::string((std::size_t{4} << 20) + 1, '\n'));
         },
         "Outfits file " + path + " is larger than 4 MiB."},
    };
    createWindow();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove_all(path);
        std::filesystem::remove(skins + "Tommy.bmp");
        c.make(path);
        services.messages.clear();
        save("Tommy");
        ASSERT_EQ(services.messages.size(), 2u);
        EXPECT_EQ(services.messages[0].text, c.message);
        EXPECT_EQ(services.messages[0].flags, mb::kFailure);
        EXPECT_NE(services.messages[0].detail.find("The skin is saved, but its outfit is not "
                                                   "recorded"),
                  std::string::npos)
            << services.messages[0].detail;
        EXPECT_EQ(services.messages[1].text, "Skin saved");
        EXPECT_EQ(std::filesystem::file_size(skins + "Tommy.bmp"), 197686u);
    }
}

TEST_F(OutfitWindowTest, ARandomOutfitHitsEveryEntryAsOftenAsAnyOtherAndKeepsColours) {
    for (const CategoryInfo& category : kCategories) {
        program.write(
            std::string(category.listFile),
            "<NEW>\r\nred.bmp\r\nOne\r\n<NEW>\r\ngreen.bmp\r\nTwo\r\n<NEW>\r\ngrey.bmp\r\n"
            "Three\r\n");
    }
    createWindow();
    form->seedRandomOutfits(2026);
    form->setPartColour(Category::Jeans, kBlue);
    constexpr int kDraws = 400;
    std::map<std::pair<int, int>, int> hits;  // (category, entry) -> draws
    for (int draw = 0; draw < kDraws; ++draw) {
        form->randomOutfit();
        const std::vector<int> outfit = entries();
        for (int c = 0; c < static_cast<int>(outfit.size()); ++c) {
            ++hits[{c, outfit[static_cast<std::size_t>(c)]}];
        }
    }
    EXPECT_TRUE(services.messages.empty());
    ASSERT_EQ(hits.size(), kCategoryCount * 4);  // every entry, the default among them
    for (const auto& [entry, count] : hits) {
        // 100 expected; 60 is more than five standard deviations below.
        EXPECT_GT(count, 60) << "category " << entry.first << " entry " << entry.second;
    }
    EXPECT_EQ(form->partColour(Category::Jeans), kBlue);

    // The same seed draws the same outfits.
    form->seedRandomOutfits(7);
    form->randomOutfit();
    const std::vector<int> first = entries();
    form->seedRandomOutfits(7);
    form->randomOutfit();
    EXPECT_EQ(entries(), first);
}

TEST_F(OutfitWindowTest, CtrlOTheButtonAndThePreviewMenuOpenASkinFromTheSkinsFolder) {
    ASSERT_TRUE(QDir().rename(QString::fromStdString(game.file("skins")),
                              QString::fromStdString(game.file("Skins"))));
    createWindow();
    form->show();
    QApplication::setActiveWindow(form.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    skinAnswer = foreignPath;
    QTest::keyClick(form->Edit2, Qt::Key_O, Qt::ControlModifier);
    ASSERT_EQ(skinsFolders.size(), 1u);
    EXPECT_EQ(skinsFolders[0], game.path() + "Skins/");
    EXPECT_EQ(form->basePath(), foreignPath);
    EXPECT_EQ(form->Edit2->text(), "NewSkin");  // Ctrl+O typed nothing

    skinAnswer.reset();
    form->OpenButton->click();
    EXPECT_EQ(skinsFolders.size(), 2u);
    EXPECT_EQ(form->OpenButton->geometry(), QRect(392, 289, 73, 20));
    EXPECT_EQ(form->OpenButton->focusPolicy(), Qt::NoFocus);
    EXPECT_TRUE(form->OpenButton->toolTip().contains("Ctrl+O"));

    QContextMenuEvent request(QContextMenuEvent::Mouse, QPoint(50, 50),
                              form->GroupBox1->mapToGlobal(QPoint(50, 50)));
    QApplication::sendEvent(form->GroupBox1, &request);
    auto* menu = form->findChild<QMenu*>("PreviewMenu");
    ASSERT_NE(menu, nullptr);
    QStringList texts;
    for (const QAction* action : menu->actions()) {
        texts << action->text() + " " + action->shortcut().toString();
    }
    EXPECT_EQ(texts, QStringList({"Open a skin... Ctrl+O", "Random outfit Ctrl+R",
                                  "Back to the built-in base skin Ctrl+B", " ", "See it worn F3"}));
    menu->close();
    QTest::keyClick(form->ComboBox1, Qt::Key_B, Qt::ControlModifier);  // back to the built-in base
    EXPECT_FALSE(form->basePath());

    form->seedRandomOutfits(1);
    for (int tries = 0; tries < 20 && entries() == std::vector<int>(7, 0); ++tries) {
        QTest::keyClick(form->ComboBox1, Qt::Key_R, Qt::ControlModifier);
    }
    EXPECT_NE(entries(), std::vector<int>(7, 0));
}

}  // namespace
}  // namespace vestura::test
