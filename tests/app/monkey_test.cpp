// A monkey at the window: seeded random keys, clicks, double-clicks and wheel turns at
// random points, with the window in front and behind, message boxes answered at random.
// After every event the preview must show exactly the skin its selectors name, in the colours
// they show, and nothing may crash or throw. A failure prints the seed and every event up to
// it; a crash prints them from a signal handler. VESTURA_MONKEY_SEED and VESTURA_MONKEY_EVENTS
// run one seed for as long as asked (the soak run uses them).
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <QApplication>
#include <QKeyEvent>
#include <QTest>
#include <QWheelEvent>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <sstream>

#include "app/builtin_art.h"
#include "app/preview_widget.h"
#include "tests/app/window_fixture.h"
#include "tests/support/bmp_builder.h"
#include "tests/support/jpeg_encoder.h"
#include "tests/support/metafile_builder.h"
#include "tests/support/part_pictures.h"

namespace vestura::test {
namespace {

constexpr unsigned kDefaultSeeds[] = {20261209u, 7u, 424242u};
constexpr int kDefaultEvents = 5000;

// The events so far, kept where a signal handler can print them.
std::vector<std::string>* eventLog = nullptr;
unsigned currentSeed = 0;

void writeAll(const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(STDERR_FILENO, text.data() + done, text.size() - done);
        if (n <= 0) {
            return;
        }
        done += static_cast<std::size_t>(n);
    }
}

std::string replayText() {
    std::string text = "monkey seed " + std::to_string(currentSeed) + ", events:\n";
    if (eventLog != nullptr) {
        for (std::size_t i = 0; i < eventLog->size(); ++i) {
            text += "  " + std::to_string(i) + ": " + (*eventLog)[i] + "\n";
        }
    }
    return text;
}

// Runs on its own stack, so a stack overflow still gets its report.
void reportCrash(int signal) {
    writeAll("monkey: killed by signal " + std::to_string(signal) + "\n" + replayText());
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

void catchCrashes() {
    static std::vector<char> stack(1 << 20);
    stack_t alternate{};
    alternate.ss_sp = stack.data();
    alternate.ss_size = stack.size();
    ::sigaltstack(&alternate, nullptr);
    struct sigaction action {};
    action.sa_handler = reportCrash;
    action.sa_flags = SA_ONSTACK;
    for (int signal : {SIGSEGV, SIGABRT, SIGBUS, SIGFPE, SIGILL}) {
        ::sigaction(signal, &action, nullptr);
    }
}

unsigned environmentNumber(const char* name, unsigned fallback) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? static_cast<unsigned>(std::strtoul(value, nullptr, 10))
                                              : fallback;
}

const std::vector<std::pair<Qt::Key, const char*>>& monkeyKeys() {
    static const std::vector<std::pair<Qt::Key, const char*>> keys = {
        {Qt::Key_Tab, "Tab"},       {Qt::Key_Backtab, "Backtab"},   {Qt::Key_Up, "Up"},
        {Qt::Key_Down, "Down"},     {Qt::Key_Left, "Left"},         {Qt::Key_Right, "Right"},
        {Qt::Key_Return, "Return"}, {Qt::Key_Enter, "Enter"},       {Qt::Key_Escape, "Escape"},
        {Qt::Key_Space, "Space"},   {Qt::Key_Home, "Home"},         {Qt::Key_End, "End"},
        {Qt::Key_PageUp, "PageUp"}, {Qt::Key_PageDown, "PageDown"}, {Qt::Key_F4, "F4"},
        {Qt::Key_F3, "F3"}, {Qt::Key_F5, "F5"},
        {Qt::Key_Backspace, "Backspace"}, {Qt::Key_Delete, "Delete"},
        {Qt::Key_A, "A"}, {Qt::Key_B, "B"}, {Qt::Key_C, "C"}, {Qt::Key_N, "N"},
        {Qt::Key_P, "P"}, {Qt::Key_U, "U"}, {Qt::Key_Z, "Z"}, {Qt::Key_1, "1"},
        {Qt::Key_O, "O"}, {Qt::Key_R, "R"}, {Qt::Key_Menu, "Menu"}, {Qt::Key_F10, "F10"},
    };
    return keys;
}

class MonkeyTest : public WindowTest {
protected:
    void SetUp() override {
        writeCatalogue();
        QDir().mkpath(QString::fromStdString(game.file("skins")));
        useGameFolder(game.path());
        services.onChooseFolder = [this](const std::string&, const std::vector<FolderPlace>&) {
            return folderAnswer();
        };
        colourAnswer = 0xFF7B3F00;  // "Other..." picks it
        createWindow();
        form->show();
        other_.setWindowTitle(QStringLiteral("Another program"));
        other_.show();
        activate(true);
        catchCrashes();
        eventLog = &log_;
    }
    void TearDown() override { eventLog = nullptr; }

    // Every slot has three parts: a bitmap, a JPEG and a metafile.
    void writeCatalogue() {
        const Bytes jpeg = encodeJpeg(patterned({30, 40}, 5), {.progressive = true});
        writeFile(program.file("part.jpg"),
                  std::string_view(reinterpret_cast<const char*>(jpeg.data()), jpeg.size()));
        const Bytes wmf = WmfBuilder(0, 0, 50, 30, 96)
                              .createBrush(0, QColor(200, 40, 90))
                              .selectObject(0)
                              .ellipse(0, 0, 50, 30)
                              .build();
        writeFile(program.file("part.wmf"),
                  std::string_view(reinterpret_cast<const char*>(wmf.data()), wmf.size()));
        for (const CategoryInfo& category : kCategories) {
            const std::string bmp = std::string(category.slot) + ".bmp";
            const QImage pattern = patterned({category.width, category.height},
                                             category.stacking, QImage::Format_Indexed8);
            ASSERT_TRUE(pattern.save(QString::fromStdString(program.file(bmp)), "BMP"));
            program.write(std::string(category.listFile),
                          "<NEW>\r\n" + bmp + "\r\nBitmap\r\n<NEW>\r\npart.jpg\r\nPhoto\r\n"
                          "<NEW>\r\npart.wmf\r\nDrawing\r\n");
            paths_[static_cast<std::size_t>(category.category)] = {"", bmp, "part.jpg",
                                                                    "part.wmf"};
        }
    }

    std::optional<std::string> folderAnswer() {
        switch (pick(3)) {
            case 0:
                return std::nullopt;
            case 1:
                return game.path();
            default:
                return program.path() + "no such folder/";
        }
    }

    int pick(int count) { return std::uniform_int_distribution<int>(0, count - 1)(random_); }

    void activate(bool front) {
        QWidget* window = front ? static_cast<QWidget*>(form.get()) : &other_;
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window)) << replayText();
    }

    // Where keys go: the window in front (its focus widget takes them). An open drop-down
    // list gets them as a widget: the list's own window goes away while its key is handled.
    QWindow* keyWindow() {
        return form->isActiveWindow() ? form->windowHandle() : other_.windowHandle();
    }
    void sendKeyEvent(QEvent::Type type, Qt::Key key, Qt::KeyboardModifiers modifiers) {
        if (QWidget* popup = QApplication::activePopupWidget()) {
            QWidget* target = popup->focusWidget() != nullptr ? popup->focusWidget() : popup;
            QKeyEvent event(type, key, modifiers);
            QApplication::sendEvent(target, &event);
        } else if (type == QEvent::KeyPress) {
            QTest::keyPress(keyWindow(), key, modifiers);
        } else {
            QTest::keyRelease(keyWindow(), key, modifiers);
        }
    }

    QPoint randomPoint() {
        return {pick(form->width() + 20) - 10, pick(form->height() + 20) - 10};
    }

    void sendKey() {
        const auto& [key, name] = monkeyKeys()[static_cast<std::size_t>(
            pick(static_cast<int>(monkeyKeys().size())))];
        static const std::pair<Qt::KeyboardModifiers, const char*> held[] = {
            {Qt::NoModifier, ""}, {Qt::NoModifier, ""}, {Qt::NoModifier, ""},
            {Qt::ShiftModifier, "Shift+"}, {Qt::ControlModifier, "Ctrl+"},
            {Qt::AltModifier, "Alt+"}};
        const auto& [modifiers, prefix] = held[pick(6)];
        log_.push_back(std::string("key ") + prefix + name);
        // The press may close the drop-down list it went to: the release goes wherever keys
        // go then.
        sendKeyEvent(QEvent::KeyPress, key, modifiers);
        sendKeyEvent(QEvent::KeyRelease, key, modifiers);
    }

    void sendClick(bool twice) {
        const QPoint point = randomPoint();
        const Qt::MouseButton button = pick(5) == 0 ? Qt::RightButton : Qt::LeftButton;
        log_.push_back(std::string(twice ? "double-click " : "click ") +
                       (button == Qt::RightButton ? "right " : "") + "at " +
                       std::to_string(point.x()) + "," + std::to_string(point.y()));
        QWindow* window = form->windowHandle();
        if (twice) {
            QTest::mouseDClick(window, button, Qt::NoModifier, point);
        } else {
            QTest::mouseClick(window, button, Qt::NoModifier, point);
        }
    }

    // The wheel reaches the widget under the pointer, in front or not, and goes up to its
    // parents while none takes it, as a desktop delivers it.
    void sendWheel() {
        const QPoint point = randomPoint();
        const int delta = pick(2) == 0 ? 120 : -120;
        log_.push_back("wheel " + std::to_string(delta) + " at " + std::to_string(point.x()) +
                       "," + std::to_string(point.y()));
        QWidget* target = QApplication::activePopupWidget();
        if (target == nullptr) {
            target = form->childAt(point);
        }
        for (QWidget* w = target != nullptr ? target : form.get(); w != nullptr;
             w = w->isWindow() ? nullptr : w->parentWidget()) {
            const QPointF local = w->mapFrom(form.get(), point);
            QWheelEvent notch(local, form->mapToGlobal(QPointF(point)), QPoint(),
                              QPoint(0, delta), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                              false);
            QApplication::sendEvent(w, &notch);
            if (notch.isAccepted()) {
                break;
            }
        }
    }

    void sendRandomEvent() {
        // Up to three message boxes the event may open get random answers.
        services.answers.clear();
        for (int i = 0; i < 3; ++i) {
            static constexpr int kAnswers[] = {mb::kIdOk, mb::kIdYes, mb::kIdNo};
            services.answers.push_back(kAnswers[pick(3)]);
        }
        const int kind = pick(20);
        if (!form->isVisible()) {
            log_.push_back("start the window again");
            form->show();
            activate(true);
        } else if (kind < 9) {
            sendKey();
        } else if (kind < 13) {
            sendClick(false);
        } else if (kind < 15) {
            sendClick(true);
        } else if (kind < 19) {
            sendWheel();
        } else {
            const bool front = !form->isActiveWindow();
            log_.push_back(front ? "bring the window to the front" : "put another window in front");
            if (QWidget* popup = QApplication::activePopupWidget()) {
                popup->close();
            }
            activate(front);
        }
        QCoreApplication::processEvents();
    }

    // The skin the selectors name, in the colours they show, composed by a preview of its
    // own.
    QImage expectedSkin() {
        for (const CategoryInfo& category : kCategories) {
            const auto c = static_cast<std::size_t>(category.category);
            const QVariant shown = selectorOf(category)->property("partColour");
            const std::optional<QRgb> colour =
                shown.isValid() ? std::optional(shown.value<QColor>().rgb()) : std::nullopt;
            if (colour != expected_.slot(category.category).colour) {
                expected_.setColour(category.category, colour);
                ++recolours_;
            }
            const int index = selectorOf(category)->currentIndex();
            if (index != expectedIndex_[c]) {
                expected_.select(category.category, index,
                                 index > 0 ? program.file(paths_[c][static_cast<std::size_t>(index)])
                                           : std::string());
                expectedIndex_[c] = index;
                ++changes_;
            }
        }
        std::vector<std::string> failures;
        QImage skin = expected_.renderSkin(failures);
        EXPECT_TRUE(failures.empty());
        return skin;
    }

    QComboBox* selectorOf(const CategoryInfo& category) const {
        return form->findChild<QComboBox*>(QString::fromLatin1(category.selector.data(),
                                                               category.selector.size()));
    }

    QImage shownSkin() const {
        return form->previewWidget->grab()
            .toImage()
            .convertToFormat(QImage::Format_RGB32)
            .copy(kBaseSkinX, kBaseSkinY, kSkinSize, kSkinSize);
    }

    void run(unsigned seed, int events) {
        currentSeed = seed;
        random_.seed(seed);
        expected_.setBaseSkin(baseSkin());
        for (int n = 0; n < events; ++n) {
            try {
                sendRandomEvent();
            } catch (const std::exception& error) {
                FAIL() << "exception escaped: " << error.what() << "\n" << replayText();
            } catch (...) {
                FAIL() << "exception escaped\n" << replayText();
            }
            if (form->isVisible()) {
                ++checks_;
                if (shownSkin() != expectedSkin()) {
                    FAIL() << "the preview is not the skin its selectors name\n" << replayText();
                }
            }
        }
        std::printf("monkey seed %u: %d events, %d previews checked, %d selector changes, "
                    "%d colour changes, %zu message boxes, %zu folder dialogs, %zu Open "
                    "dialogs\n",
                    seed, events, checks_, changes_, recolours_, services.messages.size(),
                    services.folderTitles.size(), skinsFolders.size());
    }

    QWidget other_;
    std::mt19937 random_;
    std::vector<std::string> log_;
    std::array<std::array<std::string, 4>, kCategoryCount> paths_;
    Preview expected_;
    std::array<int, kCategoryCount> expectedIndex_{};
    int checks_ = 0;
    int changes_ = 0;
    int recolours_ = 0;
};

// Each seed starts a fresh window, so a seed alone replays a run.
class SeededMonkeyTest : public MonkeyTest, public ::testing::WithParamInterface<unsigned> {};

TEST_P(SeededMonkeyTest, RandomInputNeverBreaksTheWindowOrItsPreview) {
    run(GetParam(), kDefaultEvents);
}

INSTANTIATE_TEST_SUITE_P(Seeds, SeededMonkeyTest, ::testing::ValuesIn(kDefaultSeeds));

// A run of the seed and length the environment names; skipped without them.
TEST_F(MonkeyTest, SeedFromTheEnvironment) {
    if (std::getenv("VESTURA_MONKEY_SEED") == nullptr) {
        GTEST_SKIP() << "set VESTURA_MONKEY_SEED (and VESTURA_MONKEY_EVENTS) to run it";
    }
    run(environmentNumber("VESTURA_MONKEY_SEED", 0),
        static_cast<int>(environmentNumber("VESTURA_MONKEY_EVENTS", kDefaultEvents)));
}

}  // namespace
}  // namespace vestura::test
