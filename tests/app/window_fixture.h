// A main window built over a temporary program folder, with the fake desktop services.
#pragma once

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/form1.h"
#include "skin/categories.h"
#include "tests/support/fake_desktop_services.h"
#include "tests/support/temp_folder.h"

namespace vestura::test {

// Puts a folder holding an executable "wine" alone on the PATH for the object's life.
class WineOnPath {
public:
    explicit WineOnPath(const TempFolder& folder) : saved_(qgetenv("PATH")) {
        writeFile(folder.file("wine"), "#!/bin/sh\n");
        QFile::setPermissions(QString::fromLocal8Bit(folder.file("wine")),
                              QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        qputenv("PATH", QByteArray::fromStdString(folder.path()));
    }
    ~WineOnPath() { qputenv("PATH", saved_); }
    WineOnPath(const WineOnPath&) = delete;
    WineOnPath& operator=(const WineOnPath&) = delete;

private:
    QByteArray saved_;
};

class WindowTest : public ::testing::Test {
protected:
    WindowTest() : savedCurrentFolder_(QDir::currentPath()) {}
    ~WindowTest() override {
        form.reset();
        QDir::setCurrent(savedCurrentFolder_);
    }

    // Every list file present and empty: each selector offers its default entry only.
    void writeEmptyCatalogue() const {
        for (const CategoryInfo& category : kCategories) {
            program.write(std::string(category.listFile), "");
        }
    }

    // One record per list file naming `picture` with caption "Part".
    void writeCatalogueOf(const std::string& picture) const {
        for (const CategoryInfo& category : kCategories) {
            program.write(std::string(category.listFile), "<NEW>\r\n" + picture + "\r\nPart\r\n");
        }
    }

    // A settings file naming `folder` (with its final separator) as the game folder.
    void useGameFolder(const std::string& folder) const {
        program.write("vestu.cfg", folder + "\r\n");
    }

    // A solid-colour 24-bit BMP part picture in the program folder.
    void writePart(const std::string& name, int width, int height, QRgb colour) const {
        QImage image(width, height, QImage::Format_RGB888);
        image.fill(colour);
        ASSERT_TRUE(image.save(QString::fromLocal8Bit(program.file(name)), "BMP"));
    }

    // The window over the program folder; the installs it finds are `installs`, unless
    // `searchHome` lets it search the home folder as the program does.
    TForm1& createWindow() {
        form = std::make_unique<TForm1>(services, program.path());
        // The dialogs answer from the script: a real one would wait for a user.
        form->setSkinChooser([this](QWidget*, const std::optional<std::string>& folder) {
            skinsFolders.push_back(folder);
            return skinAnswer;
        });
        form->setColourChooser([this](QWidget*, const QString&, std::optional<QRgb> current) {
            colourAsked.push_back(current);
            return colourAnswer;
        });
        if (searchHome) {
            form->FormCreate();
            return *form;
        }
        form->setInstallFinder([found = installs] {
            std::vector<FolderPlace> places;
            for (const std::string& folder : found) {
                places.push_back({folder, folder});
            }
            return places;
        });
        form->FormCreate();
        return *form;
    }

    TempFolder program;
    TempFolder game;
    FakeDesktopServices services;
    std::vector<std::string> installs;      // the game installs the window finds
    std::optional<std::string> skinAnswer;  // what the Open dialog picks; nullopt: cancelled
    std::vector<std::optional<std::string>> skinsFolders;  // the folder each Open dialog showed
    std::optional<QRgb> colourAnswer;  // what the colour dialog picks; nullopt: cancelled
    std::vector<std::optional<QRgb>> colourAsked;  // the colour each colour dialog began with
    bool searchHome = false;
    std::unique_ptr<TForm1> form;

private:
    QString savedCurrentFolder_;
};

}  // namespace vestura::test
