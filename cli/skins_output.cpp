#include "cli/skins_output.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string_view>

#include "cli/command_line.h"
#include "common/file_io.h"
#include "common/text8.h"
#include "game/settings.h"
#include "game/skin_name.h"

namespace vestura::cli {

namespace {

constexpr std::string_view kSkinsFolder = "skins";
constexpr int kMostLinks = 40;  // as the system follows at most so many in a row

using text8::equalsIgnoringCase;

}  // namespace

void refuseOutputOverInput(const std::string& output, const std::string& input,
                           const std::string& what) {
    std::error_code error;
    if (std::filesystem::equivalent(output, input, error) && !error) {
        throw UsageError("the output is " + what + ": " + output);
    }
}

void tryOutputPlace(const std::string& output) {
    std::error_code error;
    const auto type = std::filesystem::status(output, error).type();
    if (type == std::filesystem::file_type::fifo ||
        type == std::filesystem::file_type::character) {
        return;
    }
    const PendingFile probe(output, {});  // dropped uncommitted: the target stays as it was
}

const std::optional<std::string>& SkinsFolderNames::gameSkinsFolder(const std::string& folder) {
    const auto [known, added] = folders_.try_emplace(folder, std::nullopt);
    if (!added) {
        return known->second;
    }
    // The folder as the system resolves it, so a link to the skins folder, or "skins/..",
    // is judged by where it leads. A folder that cannot be resolved takes no file either:
    // the write reports it.
    std::error_code error;
    const std::filesystem::path real =
        std::filesystem::canonical(folder.empty() ? std::string(".") : folder, error);
    if (error || !equalsIgnoringCase(real.filename().string(), kSkinsFolder)) {
        return known->second;
    }
    std::string game = real.parent_path().string();
    if (!game.ends_with('/')) {
        game.push_back('/');
    }
    if (holdsGame(game)) {
        known->second = real.string() + "/";
    }
    return known->second;
}

std::optional<SkinsFolderPlace> SkinsFolderNames::check(const std::string& path, bool skin) {
    linksFollowed_ = 0;
    return checkFollowing(path, path, skin);
}

// `asked`: the output as given, whose name decides what is written however links lead.
std::optional<SkinsFolderPlace> SkinsFolderNames::checkFollowing(const std::string& path,
                                                                 const std::string& asked,
                                                                 bool skin) {
    const std::filesystem::path output(path);
    std::error_code error;
    if (std::filesystem::is_symlink(output, error)) {
        // A link is judged by where it leads, and a link inside a skins folder is never
        // written through: it could lead anywhere.
        if (isGameSkinsFolder(output.parent_path().string())) {
            throw UsageError(path +
                             ": a symbolic link in the game's skins folder is never "
                             "written through");
        }
        // Where it leads, also when that does not exist yet: the write would create it.
        std::filesystem::path target = std::filesystem::read_symlink(output, error);
        if (error || linksFollowed_ >= kMostLinks) {
            return std::nullopt;  // the write reports a link that cannot be followed
        }
        if (target.is_relative()) {
            target = output.parent_path() / target;
        }
        ++linksFollowed_;
        return checkFollowing(target.string(), asked, skin);
    }
    const std::optional<std::string>& skins = gameSkinsFolder(output.parent_path().string());
    if (!skins) {
        return std::nullopt;
    }
    const std::string name = output.filename().string();
    // Any other name, an animation's included, is refused for the folder, not its form.
    bool bmp = false;
    try {
        bmp = outputFormOf(asked) == OutputForm::Bmp;
    } catch (const UsageError&) {
    }
    if (!bmp || !skin) {
        throw UsageError(path + ": the game's skins folder takes only .bmp skins");
    }
    const SkinName checked = checkSkinName(name);
    if (!checked.accepted()) {
        throw UsageError(path + ": " + checked.refusal + " " + std::string(kSkinNameRule));
    }
    return SkinsFolderPlace{*skins, name};
}

}  // namespace vestura::cli
