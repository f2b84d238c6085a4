// Qt's own command-line options change nothing: the window keeps its place, size, layout
// direction and style, and the application sees no arguments.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QStyle>
#include <string>
#include <vector>

#include "app/form1.h"
#include "app/startup.h"
#include "tests/support/fake_desktop_services.h"

namespace vestura::test {
namespace {

struct OptionsCase {
    const char* name;
    std::vector<std::string> options;
};

void PrintTo(const OptionsCase& c, std::ostream* out) {
    *out << c.name;
}

class QtOptionsTest : public ::testing::TestWithParam<OptionsCase> {};

// The style and direction Qt picks on this platform without any option.
struct Defaults {
    QString style;
    Qt::LayoutDirection direction;
};

Defaults defaults() {
    std::string name = "vestura";
    char* argv[] = {name.data(), nullptr};
    int argc = 1;
    const QApplication application(argc, argv);
    return {QApplication::style()->name(), QGuiApplication::layoutDirection()};
}

TEST_P(QtOptionsTest, ChangeNothing) {
    const Defaults expected = defaults();
    std::vector<std::string> words = {"vestura"};
    words.insert(words.end(), GetParam().options.begin(), GetParam().options.end());
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);

    QtCommandLine commandLine(int(words.size()), argv.data());
    const QApplication application(commandLine.argc, commandLine.argv);
    EXPECT_EQ(QCoreApplication::arguments(), QStringList{"vestura"});
    EXPECT_EQ(QApplication::style()->name(), expected.style);
    EXPECT_EQ(QGuiApplication::layoutDirection(), expected.direction);
    EXPECT_TRUE(application.styleSheet().isEmpty());

    FakeDesktopServices services;
    TForm1 form(services, "/nonexistent/");
    form.show();
    EXPECT_EQ(form.pos(), QPoint(300, 157));  // the outer top-left corner
    EXPECT_EQ(form.size(), QSize(472, 376));
    EXPECT_EQ(form.layoutDirection(), Qt::LeftToRight);
    EXPECT_EQ(form.ComboBox1->geometry(), QRect(288, 24, 169, 21));
}

INSTANTIATE_TEST_SUITE_P(
    Options, QtOptionsTest,
    ::testing::Values(OptionsCase{"Reverse", {"-reverse"}},
                      OptionsCase{"Style", {"-style", "windows"}},
                      OptionsCase{"StyleJoined", {"-style=windows"}},
                      OptionsCase{"Geometry", {"-geometry", "200x100+10+10"}},
                      OptionsCase{"StyleSheet", {"-stylesheet", "/nonexistent.qss"}},
                      OptionsCase{"All",
                                  {"-reverse", "-style", "windows", "-geometry", "1x1+0+0"}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vestura::test
