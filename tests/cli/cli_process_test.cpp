// The real vestura-cli executable: what needs no GUI application starts none, and what it
// draws is byte for byte what the same command draws inside a running application.
#include <gtest/gtest.h>

#include <QProcess>
#include <filesystem>
#include <sstream>

#include "cli/commands.h"
#include "tests/support/metafile_builder.h"
#include "tests/support/temp_folder.h"

namespace vestura::cli {
namespace {

using test::TempFolder;

const QString kCli = QStringLiteral(VESTURA_BIN_DIR "/vestura-cli");

struct Exit {
    int status;
    QByteArray out;
    bool startedQtPlatform;  // the offscreen platform plugin was loaded
    bool loadedQt;           // any Qt library was loaded
    QByteArray err;
};

// Runs the executable with the dynamic loader reporting every library it opens.
Exit runExecutable(const QStringList& arguments, const QString& program = kCli) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LD_DEBUG"), QStringLiteral("files"));
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    process.waitForFinished(60000);
    const int status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    const QByteArray err = process.readAllStandardError();
    return {status, process.readAllStandardOutput(), err.contains("libqoffscreen"),
            err.contains("libQt6"), err};
}

QStringList outfitArguments(const std::array<int, kCategoryCount>& indices) {
    QStringList arguments = {QStringLiteral("render"), QStringLiteral("--folder"),
                             QStringLiteral(VESTURA_CATALOGUE_DIR)};
    for (std::size_t i = 0; i < kCategoryCount; ++i) {
        arguments << QString::fromStdString("--" + std::string(kCategories[i].cliName))
                  << QString::number(indices[i]);
    }
    return arguments;
}

std::string renderInProcess(const QStringList& arguments) {
    std::vector<std::string> words;
    for (const QString& word : arguments) {
        words.push_back(word.toStdString());
    }
    std::ostringstream out, err;
    EXPECT_EQ(run(words, "/nowhere/", out, err), 0) << err.str();
    return test::readFile(words.back());
}

TEST(CliExecutable, HelpVersionAndUsageErrorsLoadNothingOfQts) {
    const Exit version = runExecutable({QStringLiteral("--version")});
    EXPECT_EQ(version.out, "vestura-cli 1.1\n");
    EXPECT_FALSE(version.loadedQt);
    const Exit help = runExecutable({QStringLiteral("--help")});
    EXPECT_EQ(help.status, 0);
    EXPECT_FALSE(help.loadedQt);
    const Exit usage = runExecutable({QStringLiteral("paint")});
    EXPECT_EQ(usage.status, 2);
    EXPECT_FALSE(usage.loadedQt);
    const Exit list = runExecutable({QStringLiteral("list")});
    EXPECT_EQ(list.status, 0);
    EXPECT_TRUE(list.loadedQt);
    EXPECT_FALSE(list.startedQtPlatform);
}

// The front end copied away from its engine still answers what needs no picture, and says
// which file it misses for the rest instead of crashing.
TEST(CliExecutable, WithoutItsEngineAnswersHelpAndNamesTheMissingFile) {
    TempFolder folder;
    const std::string alone = folder.file("vestura-cli");
    std::filesystem::copy_file(kCli.toStdString(), alone);
    const QString program = QString::fromStdString(alone);
    const Exit version = runExecutable({QStringLiteral("--version")}, program);
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "vestura-cli 1.1\n");
    EXPECT_EQ(runExecutable({QStringLiteral("paint")}, program).status, 2);
    const Exit list = runExecutable({QStringLiteral("list")}, program);
    EXPECT_EQ(list.status, 1);
    EXPECT_TRUE(list.err.contains("vestura-cli: cannot load " +
                                  QByteArray::fromStdString(folder.path()) +
                                  "vestura-cli-engine.so"))
        << list.err.toStdString();
    EXPECT_TRUE(list.out.isEmpty());
}

// Bitmaps, JPEGs, icons and metafiles without text draw without a GUI application, and
// the bytes are those drawn inside one.
TEST(CliExecutable, RendersWithoutAGuiApplicationWhatAnApplicationRenders) {
    TempFolder folder;
    const std::array<std::array<int, kCategoryCount>, 3> outfits = {{
        {1, 1, 1, 1, 1, 1, 1},  // metafiles, 24-bit, progressive JPEG
        {2, 3, 2, 2, 4, 2, 3},  // EMF, RLE8, icon, .jpeg, RLE8 jeans
        {3, 5, 4, 5, 5, 5, 5},  // 8-bit, 4-bit, 1-bit, bit fields, greyscale JPEG
    }};
    for (std::size_t n = 0; n < outfits.size(); ++n) {
        QStringList arguments = outfitArguments(outfits[n]);
        const std::string name = "outfit" + std::to_string(n);
        const Exit exit = runExecutable(
            arguments +
            QStringList{"--output", QString::fromStdString(folder.file(name + ".bmp"))});
        ASSERT_EQ(exit.status, 0) << name;
        EXPECT_FALSE(exit.startedQtPlatform) << name;
        arguments << "--output" << QString::fromStdString(folder.file(name + "-in.bmp"));
        EXPECT_TRUE(folder.read(name + ".bmp") == renderInProcess(arguments)) << name;
    }
}

// A metafile that draws text makes the executable build its GUI application at that
// record; the text comes out as it does inside a running application.
TEST(CliExecutable, MetafileTextDrawsAsInsideAnApplication) {
    TempFolder folder;
    const auto word = [](char a, char b) {
        return int(std::uint8_t(a)) | int(std::uint8_t(b)) << 8;
    };
    const Bytes wmf = test::WmfBuilder(0, 0, 64, 32, 96)
                          .rectangle(0, 0, 64, 32)
                          .record(0x0521, {4, word('V', 'e'), word('s', 't'), 4, 2})  // TextOut
                          .build();
    folder.write("text.wmf", std::string(wmf.begin(), wmf.end()));
    const QString input = QString::fromStdString(folder.file("text.wmf"));
    const Exit exit =
        runExecutable({"convert", input, QString::fromStdString(folder.file("cli.bmp"))});
    ASSERT_EQ(exit.status, 0);
    EXPECT_TRUE(exit.startedQtPlatform);
    const std::string inProcess =
        renderInProcess({"convert", input, QString::fromStdString(folder.file("in.bmp"))});
    EXPECT_TRUE(folder.read("cli.bmp") == inProcess);
}

// Captions print in the encoding of the user's locale, as the environment gives it: the
// program sets its locale itself, as a terminal user runs it.
QByteArray listInLocale(const TempFolder& folder, const QString& lang) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"LC_ALL", "LC_CTYPE", "LC_MESSAGES", "LANGUAGE"}) {
        environment.remove(QString::fromLatin1(name));
    }
    environment.insert(QStringLiteral("LANG"), lang);
    process.setProcessEnvironment(environment);
    process.start(kCli, {"list", "--folder", QString::fromStdString(folder.path())});
    process.waitForFinished(60000);
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    return process.readAllStandardOutput();
}

TEST(CliExecutable, CaptionsPrintInTheLocalesEncoding) {
    TempFolder folder;
    for (const CategoryInfo& category : kCategories) {
        folder.write(std::string(category.listFile), "");
    }
    folder.write("e.ls", "<NEW>\r\nparts\\cafe.bmp\r\nCaf\xE9 shades\r\n");     // Windows-1252
    folder.write("p.ls", "<NEW>\r\nparts\\cafe.bmp\r\nCaf\xC3\xA9 beard\r\n");  // UTF-8
    const QByteArray utf8 = listInLocale(folder, QStringLiteral("C.UTF-8"));
    EXPECT_TRUE(utf8.contains("Caf\xC3\xA9 shades")) << utf8.toStdString();
    EXPECT_TRUE(utf8.contains("Caf\xC3\xA9 beard")) << utf8.toStdString();
    const QByteArray ascii = listInLocale(folder, QStringLiteral("C"));
    EXPECT_TRUE(ascii.contains("Caf? shades")) << ascii.toStdString();
    EXPECT_TRUE(ascii.contains("Caf? beard")) << ascii.toStdString();
}

}  // namespace
}  // namespace vestura::cli

namespace vestura::cli {
namespace {

TEST(CliExecutable, AFileSizeLimitFailsTheWriteAndKeepsTheOldFile) {
    // The limit is in blocks of the shell's own size; a skin is far larger than ten of them.
    test::TempFolder folder;
    folder.write("skin.bmp", "old");
    QProcess process;
    process.start(
        QStringLiteral("/bin/sh"),
        {QStringLiteral("-c"),
         QStringLiteral("ulimit -f 10; exec \"$0\" render --folder \"$1\" --output \"$2\""), kCli,
         QStringLiteral(VESTURA_CATALOGUE_DIR), QString::fromStdString(folder.file("skin.bmp"))});
    ASSERT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 1);
    EXPECT_EQ(process.readAllStandardError(),
              "Stream write error: the file is larger than allowed.\n");
    EXPECT_EQ(folder.read("skin.bmp"), "old");
}

}  // namespace
}  // namespace vestura::cli
