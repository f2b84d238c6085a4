// TForm1's event handlers. Each runs inside the failure guard and hands its work to the
// layer that owns it.
#include <QApplication>
#include <QComboBox>
#include <QFutureWatcher>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProcess>
#include <QPromise>
#include <QThreadPool>
#include <QTimer>
#include <algorithm>
#include <filesystem>
#include <memory>
#include <optional>

#include "app/catalogue_watcher.h"
#include "app/desktop_services.h"
#include "app/failure_reporting.h"
#include "app/form1.h"
#include "app/layout.h"
#include "app/model_view_window.h"
#include "app/preview_widget.h"
#include "app/program_info.h"
#include "common/errors.h"
#include "common/failure_text.h"
#include "common/messages.h"
#include "common/path_case.h"
#include "common/text8.h"
#include "game/file_exists.h"
#include "game/installs.h"
#include "game/launch.h"
#include "game/settings.h"
#include "game/skin_name.h"
#include "game/skins_check.h"
#include "game/steam_launch.h"
#include "skin/skin_export.h"

namespace vestura {

namespace {

// 8-bit text as the user sees it.
QString text(const std::string& s) {
    return QString::fromStdString(text8::decoded(s));
}
std::string bytes(const QString& s) {
    return s.toLocal8Bit().toStdString();
}

constexpr std::string_view kReplaceQuestion = "Replace skin?";
constexpr std::string_view kQuestionCaption = "Question";
constexpr std::string_view kSkinSaved = "Skin saved";
constexpr std::string_view kInfoCaption = "Info";
constexpr std::string_view kGameMissing = "File gta-vc.exe not found!";
constexpr std::string_view kErrorCaption = "Error";
constexpr std::string_view kAboutCaption = "About";
constexpr std::string_view kWarningCaption = "WARNING";
constexpr std::string_view kWine = "wine";
constexpr std::string_view kNothingStartsGame = "Nothing on this computer can start the game.";
constexpr std::string_view kWhatToInstall =
    "Install Wine (the package \"wine\"), or Steam for a Steam copy of the game, then press "
    "Start Vice again.";
constexpr std::string_view kGameDidNotStart = "The game did not start.";
constexpr std::string_view kLinkInTheWay =
    "a symbolic link is in the way, and a skin is never written through one";
constexpr std::string_view kNoGameHint =
    "gta-vc.exe is not in the game folder: \"...\" chooses the folder that holds it";

// True when the desktop has a program of its own for Windows programs (Wine's entry, or a
// launcher like it). Without one, the desktop's opener hands gta-vc.exe to whatever takes any
// file, most often the web browser, which then downloads a copy of the game's program.
bool desktopStartsWindowsPrograms() {
    constexpr std::string_view kMimeQuery = "xdg-mime";
    if (!programOnPath(std::string(kMimeQuery))) {
        return false;
    }
    constexpr int kAnswerMs = 2000;
    for (const char* type : {"application/x-ms-dos-executable", "application/x-msdownload",
                             "application/vnd.microsoft.portable-executable"}) {
        QProcess query;
        query.start(QString::fromLatin1(kMimeQuery.data(), kMimeQuery.size()),
                    {QStringLiteral("query"), QStringLiteral("default"), QString::fromLatin1(type)});
        if (!query.waitForFinished(kAnswerMs)) {
            query.kill();
            query.waitForFinished(kAnswerMs);
            return false;
        }
        if (!query.readAllStandardOutput().trimmed().isEmpty()) {
            return true;
        }
    }
    return false;
}

// The game installs found on this computer, for the folder dialog's sidebar: each named by
// its kind and its folder, with the home folder written as "~".
std::vector<FolderPlace> installPlaces() {
    const InstallSearchRoots roots = searchRootsFromEnvironment();
    std::vector<FolderPlace> places;
    for (const GameInstall& install : findInstalls(roots)) {
        std::string shown = install.folder;
        const std::string home = roots.home.ends_with('/') ? roots.home : roots.home + '/';
        if (!roots.home.empty() && shown.starts_with(home)) {
            shown = "~/" + shown.substr(home.size());
        }
        places.push_back(
            {install.folder, std::string(installKindName(install.kind)) + ": " + shown});
    }
    return places;
}

// Runs `finder` on a worker of the application's thread pool and returns at once with the
// places it will find. The worker holds nothing of the window, so the window may close
// before it ends; the application waits for it when it quits. A search that fails offers
// no places: the dialog works without them.
FolderPlaces placesFoundMeanwhile(TForm1::InstallFinder finder) {
    auto promise = std::make_shared<QPromise<std::vector<FolderPlace>>>();
    FolderPlaces places = promise->future();
    promise->start();
    QThreadPool::globalInstance()->start([promise, finder = std::move(finder)] {
        try {
            promise->addResult(finder());
        } catch (const std::exception&) {
            promise->addResult(std::vector<FolderPlace>());
        }
        promise->finish();
    });
    return places;
}

}  // namespace

template <typename Handler>
void TForm1::guarded(Handler&& handler) {
    runGuarded(services_, std::forward<Handler>(handler));
}

void TForm1::report(const std::string& message) {
    reportFailureText(services_, message);
}

// The field shows the folder decoded, from its start, as a read-only path is read; the
// folder itself stays the bytes it was given.
void TForm1::showGameFolder(const std::string& folder) {
    gameFolder_ = folder;
    Edit1->setText(text(folder));
    Edit1->setCursorPosition(0);
}

std::string TForm1::gameFolder() const {
    return gameFolder_;
}
std::string TForm1::skinName() const {
    return bytes(Edit2->text());
}

QComboBox* TForm1::selector(Category category) const {
    switch (category) {
        case Category::Glasses:
            return ComboBox1;
        case Category::Beard:
            return ComboBox2;
        case Category::Chain:
            return ComboBox4;
        case Category::Watch:
            return ComboBox5;
        case Category::Shirt:
            return ComboBox6;
        case Category::Jeans:
            return ComboBox7;
        case Category::Boots:
            return ComboBox3;
    }
    return nullptr;
}

void TForm1::FormCreate() {
    std::error_code ignored;
    std::filesystem::current_path(programFolder_, ignored);
    for (QComboBox* box :
         {ComboBox1, ComboBox2, ComboBox3, ComboBox4, ComboBox5, ComboBox6, ComboBox7}) {
        box->clear();
    }
    catalogue_.clear();
    shownEntry_.fill(0);
    // The settings and the catalogue fail apart: a settings file that cannot be written
    // still leaves every part to choose from.
    guarded([this] { startGameFolder(); });
    guarded([this] { loadCatalogue(); });
    watchCatalogue();
}

// The seven list files and the picture of every part shown.
void TForm1::watchCatalogue() {
    std::vector<std::string> files;
    for (const CategoryInfo& category : kCategories) {
        files.push_back(catalogueFolder_ + std::string(category.listFile));
        const int shown = shownEntry_[static_cast<std::size_t>(category.category)];
        if (shown > 0) {
            files.push_back(
                resolveIgnoringCase(catalogueFolder_ + catalogue_.pathOf(category.category, shown)));
        }
    }
    catalogueWatcher_->watch(files);
}

// A change on disk reloads as F5 does, but never under an open dialog: then it waits until
// the dialog has closed.
void TForm1::catalogueChangedOnDisk() {
    if (QApplication::activeModalWidget() != nullptr) {
        QTimer::singleShot(CatalogueWatcher::kSettleMs, this, &TForm1::catalogueChangedOnDisk);
        return;
    }
    FormReloadCatalogue();
}

// The game folder at start-up: the one the settings name when the game is there, else the
// first install found (stored for the next start), else the folder named, marked as holding
// no game. Nothing asks at start-up; "..." chooses another.
void TForm1::startGameFolder() {
    const InstallFinder finder = installFinder_ ? installFinder_ : installPlaces;
    const StartFolder start = settingsStep(programFolder_, Memo1, [&finder] {
        std::vector<std::string> folders;
        for (const FolderPlace& place : finder()) {
            folders.push_back(place.folder);
        }
        return folders;
    });
    showGameFolder(start.folder);
    installsFound_ = start.installsFound;
    markGameFolder();
    if (start.holdsGame && start.installsFound == 0) {
        countInstallsMeanwhile(finder);  // the search was not needed to find the folder
    }
    if (start.store) {
        storeGameFolder(programFolder_, start.folder, Memo1);
    }
}

// Counts the installs on a worker, for the folder field's tooltip, without holding up the
// start. The count arrives through the window's own thread; a closed window gets none.
void TForm1::countInstallsMeanwhile(const InstallFinder& finder) {
    auto* watcher = new QFutureWatcher<std::vector<FolderPlace>>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher] {
        const FolderPlaces places = watcher->future();
        watcher->deleteLater();
        if (places.resultCount() > 0) {
            installsFound_ = places.result().size();
            markGameFolder();
        }
    });
    watcher->setFuture(placesFoundMeanwhile(finder));
}

// Loads the seven list files. Each one that cannot be read leaves only its own category at
// its default entry; one message names them all.
void TForm1::loadCatalogue() {
    const std::vector<ListFileFailure> failures = catalogue_.load(catalogueFolder_, Memo1);
    fillSelectors();
    reportListFailures(failures, false);
}

void TForm1::reportListFailures(const std::vector<ListFileFailure>& failures, bool reloading) {
    if (failures.empty()) {
        return;
    }
    std::string messages;
    std::string causes;
    for (const ListFileFailure& failure : failures) {
        messages += (messages.empty() ? "" : "\n") + withClosingPeriod(failure.message);
        const CategoryInfo& category = info(failure.category);
        causes += std::string(category.listFile) + " (" + std::string(category.label) +
                  "): " + (failure.cause.empty() ? std::string("cannot be read") : failure.cause) +
                  ".\n";
    }
    if (reloading) {
        causes += failures.size() == 1 ? "Its list stays as it was; the others were read again."
                                       : "Their lists stay as they were; the others were read "
                                         "again.";
    } else {
        causes += failures.size() == 1 ? "Its list offers only its default entry."
                                       : "Their lists offer only their default entries.";
    }
    services_.showMessage(messages, std::string(kApplicationTitle), mb::kFailure, causes);
}

// The folder field's tooltip says how to change the folder and how many installs were
// found; a folder without the game is shown on light red, and its tooltip says so.
void TForm1::markGameFolder() {
    const bool game = holdsGame(gameFolder());
    QString tip = game ? QStringLiteral("The game folder: skins are saved in its skins folder.")
                       : QStringLiteral("gta-vc.exe is not in this folder.");
    tip += QStringLiteral(" \"...\" chooses another.");
    if (installsFound_ > 1) {
        tip += QStringLiteral("\n%1 game installs were found; \"...\" lists them.")
                   .arg(installsFound_);
    } else if (installsFound_ == 1 && !game) {
        tip += QStringLiteral("\nOne game install was found; \"...\" lists it.");
    }
    Edit1->setToolTip(tip);
    QPalette palette = Edit1->palette();
    palette.setColor(QPalette::Base, QColor::fromRgb(game ? layout::kGameFolderColour
                                                          : layout::kMissingGameColour));
    Edit1->setPalette(palette);
}

// Setting the entries and the selection from here runs no change handler: those follow
// only the user's picks.
void TForm1::fillSelectors() {
    for (const CategoryInfo& category : kCategories) {
        const CategoryEntries& entries = catalogue_.entries(category.category);
        QComboBox* box = selector(category.category);
        QStringList captions;
        captions.reserve(qsizetype(entries.captions.size()));
        for (const std::string& caption : entries.captions) {
            captions.append(text(caption));
        }
        box->clear();
        box->addItems(captions);
        box->setCurrentIndex(entries.selected);
    }
}

// A part that fails to load is reported, and its selector goes back to the entry the
// preview still shows, so that the selector, the preview and Save agree.
void TForm1::selectorChanged(Category category) {
    const std::size_t at = static_cast<std::size_t>(category);
    const int index = selector(category)->currentIndex();
    bool loaded = false;
    guarded([&] {
        const std::string path =
            index > 0 ? catalogueFolder_ + catalogue_.pathOf(category, index) : std::string();
        preview_.select(category, index, path);
        loaded = true;
    });
    if (loaded) {
        shownEntry_[at] = index;
        watchCatalogue();
    } else {
        const int shown = shownEntry_[at];
        selector(category)->setCurrentIndex(shown);
        if (shown == 0) {
            guarded([&] { preview_.select(category, 0, std::string()); });  // hides the slot
        }
    }
    previewWidget->refresh();
    refreshModelView();
}

void TForm1::ComboBox1Change() {
    selectorChanged(Category::Glasses);
}
void TForm1::ComboBox2Change() {
    selectorChanged(Category::Beard);
}
void TForm1::ComboBox4Change() {
    selectorChanged(Category::Chain);
}
void TForm1::ComboBox5Change() {
    selectorChanged(Category::Watch);
}
void TForm1::ComboBox6Change() {
    selectorChanged(Category::Shirt);
}
void TForm1::ComboBox7Change() {
    selectorChanged(Category::Jeans);
}
void TForm1::ComboBox3Change() {
    selectorChanged(Category::Boots);
}

void TForm1::FormReloadCatalogue() {
    std::array<std::optional<std::string>, kCategoryCount> kept;  // the captions shown now
    for (const CategoryInfo& category : kCategories) {
        const CategoryEntries& entries = catalogue_.entries(category.category);
        const int index = selector(category.category)->currentIndex();
        if (index >= 0 && static_cast<std::size_t>(index) < entries.captions.size()) {
            kept[static_cast<std::size_t>(category.category)] = entries.captions[index];
        }
    }
    // Read into a catalogue of its own: a list file that cannot be read keeps its category's
    // old entries, and the others are read again.
    Catalogue fresh;
    std::vector<ListFileFailure> failures;
    bool read = false;
    guarded([&] {
        failures = fresh.load(catalogueFolder_, Memo1);
        read = true;
    });
    if (!read) {
        return;  // out of memory: everything stays as it was
    }
    for (const ListFileFailure& failure : failures) {
        fresh.keepEntries(failure.category, catalogue_.entries(failure.category));
    }
    reportListFailures(failures, true);
    catalogue_ = std::move(fresh);
    fillSelectors();
    for (const CategoryInfo& category : kCategories) {
        const auto& caption = kept[static_cast<std::size_t>(category.category)];
        const std::vector<std::string>& captions = catalogue_.entries(category.category).captions;
        const auto found =
            caption ? std::find(captions.begin(), captions.end(), *caption) : captions.end();
        reloadPart(category.category, found == captions.end() ? 0 : int(found - captions.begin()));
    }
    watchCatalogue();
    previewWidget->refresh();
    refreshModelView();
}

// Selects `index` and reads its picture anew, as it may have changed. A picture that no
// longer loads is reported, its selector returns to the default entry and its slot is
// emptied: the old picture must not be drawn under a name whose file now fails, and the
// default entry is what the slot then shows.
void TForm1::reloadPart(Category category, int index) {
    selector(category)->setCurrentIndex(index);
    shownEntry_[static_cast<std::size_t>(category)] = index;
    guarded([this, category, index] {
        try {
            preview_.select(
                category, index,
                index > 0 ? catalogueFolder_ + catalogue_.pathOf(category, index) : std::string());
        } catch (...) {
            selector(category)->setCurrentIndex(0);
            shownEntry_[static_cast<std::size_t>(category)] = 0;
            preview_.select(category, 0, std::string());
            preview_.slot(category).picture.release();
            throw;
        }
    });
}

void TForm1::Button1Click() {
    close();
}

void TForm1::Button2Click() {
    guarded([this] {
        const std::optional<std::string> chosen = services_.chooseFolder(
            std::string(layout::kFolderDialogTitle),
            placesFoundMeanwhile(installFinder_ ? installFinder_ : installPlaces));
        if (!chosen) {
            return;
        }
        showGameFolder(chosenGameFolder(*chosen));
        markGameFolder();
        storeGameFolder(programFolder_, gameFolder(), Memo1);
        if (modelView_ != nullptr && modelView_->isVisible()) {
            openModelView();  // the view follows the new folder's model
        }
    });
}

void TForm1::Button3Click() {
    guarded([this] {
        const SkinName name = checkSkinName(skinName());
        if (!name.accepted()) {
            services_.showMessage(name.refusal, std::string(kApplicationTitle), mb::kWarning,
                                  std::string(kSkinNameRule));
            return;
        }
        std::vector<std::string> failures;
        const QImage skin = preview_.renderSkin(failures);
        // A part that fails to draw is reported, and the skin is saved as composed.
        for (const std::string& message : failures) {
            report(message);
        }
        // An existing skin in another letter case is the one the game would read: it is the
        // one replaced, as on Windows.
        const std::string path =
            resolveIgnoringCase(skinsFolderForSave(gameFolder()) + name.fileName);
        std::error_code ignored;
        if (std::filesystem::is_symlink(path, ignored)) {
            // Writing through a link would change a file outside the skins folder.
            throw EFCreateError(msg::format(msg::kCannotCreateFile, path),
                                std::string(kLinkInTheWay));
        }
        if (refusedAsBase(path)) {
            return;
        }
        if (FileExists(path) &&
            services_.showMessage(std::string(kReplaceQuestion), std::string(kQuestionCaption),
                                  mb::kQuestion) != mb::kIdYes) {
            return;
        }
        try {
            writeSkinFile(path, skin);
        } catch (const EFCreateError& e) {
            if (holdsGame(gameFolder())) {
                throw;
            }
            // The likely reason first: the folder is not the game's.
            throw EFCreateError(e.message(), e.cause() + "; " + std::string(kNoGameHint));
        }
        recordSavedOutfit(path);
        services_.showMessage(std::string(kSkinSaved), std::string(kInfoCaption), mb::kInformation);
    });
}

void TForm1::Button4Click() {
    guarded([this] {
        services_.showMessage(aboutText(), std::string(kAboutCaption), mb::kInformation);
    });
}

void TForm1::vdClick() {
    guarded([this] {
        const std::optional<GameLaunch> game = findGame(gameFolder());
        if (!game) {
            services_.showMessage(std::string(kGameMissing), std::string(kErrorCaption),
                                  mb::kWarning);
            return;
        }
        const ProcessCommand command = gameCommand(
            *game, gameFolder(), programOnPath(std::string(kSteamProgram)),
            programOnPath(std::string(kWine)), programOnPath(std::string(kFlatpakProgram)));
        const bool desktopOpener = command.program == kDesktopOpener;
        if (!programOnPath(command.program) || (desktopOpener && !desktopStartsWindowsPrograms())) {
            services_.showMessage(std::string(kNothingStartsGame), std::string(kErrorCaption),
                                  mb::kWarning, std::string(kWhatToInstall));
            return;
        }
        const std::string program = command.program;
        services_.startProgram(command, [self = QPointer(this), program](const std::string& why) {
            if (self) {
                self->services_.showMessage(std::string(kGameDidNotStart),
                                            std::string(kErrorCaption), mb::kWarning,
                                            program + ": " + why);
            }
        });
    });
}

void TForm1::Label13MouseMove() {
    Label12->hide();
}
void TForm1::Label13MouseLeave() {
    Label12->show();
}

void TForm1::Label13Click() {
    guarded([this] {
        services_.showMessage(contactWarningText(), std::string(kWarningCaption), mb::kWarning);
        services_.openUrl(mailLink());
    });
}

}  // namespace vestura
