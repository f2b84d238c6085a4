#include "cli/commands.h"

#include <QImage>
#include <QPainter>
#include <ostream>

#include "cli/recipes.h"
#include "cli/skin_session.h"
#include "common/errors.h"
#include "common/failure_text.h"
#include "common/file_io.h"
#include "common/platform.h"
#include "picture/bmp/bmp_writer.h"
#include "picture/picture.h"

namespace vestura::cli {

namespace {

// A folder named on the command line, ending with a separator like the program folder.
std::string asProgramFolder(std::string folder) {
    if (folder.empty() || !platform::isPathDelimiter(folder.back())) {
        folder.push_back(platform::kPathSeparator);
    }
    return folder;
}

void reportFailures(const std::vector<std::string>& failures, std::ostream& err) {
    for (const std::string& failure : failures) {
        err << withClosingPeriod(failure) << '\n';
    }
}

}  // namespace

int runRender(const Invocation& invocation, const std::string& folder, std::ostream& err) {
    SkinSession session(folder);
    Selection selection{};
    for (std::size_t i = 0; i < kCategoryCount; ++i) {
        if (invocation.entries[i]) {
            selection[i] = session.resolve(kCategories[i].category, *invocation.entries[i]);
        }
    }
    std::vector<std::string> failures;
    session.render(selection, invocation.output, failures);
    reportFailures(failures, err);
    return failures.empty() ? 0 : 1;
}

int runRecipes(const Invocation& invocation, const std::string& folder, std::ostream& err) {
    const std::vector<Recipe> recipes = readRecipes(invocation.recipes);
    SkinSession session(folder);
    bool allGood = true;
    for (const Recipe& recipe : recipes) {
        const std::string where = invocation.recipes + ":" + std::to_string(recipe.line) + ": ";
        std::vector<std::string> failures;
        try {
            if (!recipe.error.empty()) {
                throw UsageError(recipe.error);
            }
            Selection selection{};
            for (std::size_t i = 0; i < kCategoryCount; ++i) {
                if (recipe.entries[i]) {
                    selection[i] = session.resolve(kCategories[i].category, *recipe.entries[i]);
                }
            }
            session.render(selection, recipe.output, failures);
        } catch (const Exception& e) {
            failures.push_back(e.message());
        } catch (const UsageError& e) {
            failures.push_back(e.what());
        }
        for (const std::string& failure : failures) {
            err << where << withClosingPeriod(failure) << '\n';
        }
        allGood = allGood && failures.empty();
    }
    return allGood ? 0 : 1;
}

int runConvert(const Invocation& invocation) {
    TPicture picture;
    picture.loadFromFile(invocation.input);
    QImage canvas(picture.width(), picture.height(), QImage::Format_RGB32);
    canvas.fill(Qt::white);
    if (picture.graphic() != nullptr && !canvas.isNull()) {
        QPainter painter(&canvas);
        picture.graphic()->draw(painter, canvas.rect());
    }
    const Bytes file = encodeBmp24(canvas, {});
    writeFileSafely(invocation.output, {file});
    return 0;
}

int runList(const std::string& folder, std::ostream& out) {
    LineBuffer memo;
    Catalogue catalogue;
    catalogue.load(folder, memo);
    for (const CategoryInfo& category : kCategories) {
        const CategoryEntries& entries = catalogue.entries(category.category);
        for (std::size_t k = 0; k < entries.captions.size(); ++k) {
            out << category.cliName << '\t' << k << '\t' << entries.captions[k] << '\t'
                << (k == 0 ? std::string() : entries.paths[k - 1]) << '\n';
        }
    }
    return 0;
}

int run(const std::vector<std::string>& arguments, const std::string& programFolder,
        std::ostream& out, std::ostream& err) {
    Invocation invocation;
    try {
        invocation = parseCommandLine(arguments);
    } catch (const UsageError& e) {
        err << "vestura-cli: " << e.what() << '\n' << kUsage;
        return 2;
    }
    const std::string folder = asProgramFolder(invocation.folder.value_or(programFolder));
    try {
        switch (invocation.command) {
            case Command::Help:
                out << kUsage;
                return 0;
            case Command::Version:
                out << kVersion;
                return 0;
            case Command::Render:
                return invocation.recipes.empty() ? runRender(invocation, folder, err)
                                                  : runRecipes(invocation, folder, err);
            case Command::Check:
                return runCheck(folder, out);
            case Command::Convert:
                return runConvert(invocation);
            case Command::List:
                return runList(folder, out);
            case Command::Games:
                return runGames(out);
            case Command::Doctor:
                return runDoctor(invocation, folder, out);
        }
    } catch (const UsageError& e) {
        err << "vestura-cli: " << e.what() << '\n' << kUsage;
        return 2;
    } catch (const Exception& e) {
        err << withClosingPeriod(e.message()) << '\n';
        return 1;
    }
    return 1;
}

}  // namespace vestura::cli
