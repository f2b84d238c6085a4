#include "cli/skin_session.h"

#include <charconv>

#include "cli/command_line.h"
#include "common/text8.h"
#include "picture/builtin.h"
#include "skin/skin_export.h"

namespace vestura::cli {

SkinSession::SkinSession(std::string programFolder) : programFolder_(std::move(programFolder)) {
    catalogue_.load(programFolder_, memo_);
    preview_.setBaseSkin(loadBuiltinBitmap(BuiltinPicture::BaseSkin));
}

int SkinSession::resolve(Category c, const std::string& entry) const {
    const std::vector<std::string>& captions = catalogue_.entries(c).captions;
    int index = -1;
    const auto [end, error] = std::from_chars(entry.data(), entry.data() + entry.size(), index);
    const bool isIndex = error == std::errc() && end == entry.data() + entry.size();
    if (isIndex && index >= 0 && static_cast<std::size_t>(index) < captions.size()) {
        return index;
    }
    // A caption matches as its bytes or as the text it shows, typed in the locale's encoding.
    const std::string typed = text8::fromLocale(entry);
    for (std::size_t k = 0; k < captions.size(); ++k) {
        if (captions[k] == entry || text8::decoded(captions[k]) == typed) {
            return static_cast<int>(k);
        }
    }
    throw UsageError("no " + std::string(info(c).cliName) + " entry \"" + entry + "\"");
}

void SkinSession::showInSlot(Category c, int index) {
    auto& cached = pictures_[{c, index}];
    if (!cached) {
        TPicture loader;
        loader.loadFromFile(programFolder_ + catalogue_.pathOf(c, index));
        cached = loader.release();
    }
    PreviewSlot& slot = preview_.slot(c);
    slot.picture.assign(std::move(cached));
    slot.visible = true;
}

void SkinSession::returnToCache(Category c, int index) {
    pictures_[{c, index}] = preview_.slot(c).picture.release();
}

void SkinSession::render(const Selection& selection, const std::string& output,
                         std::vector<std::string>& failures) {
    std::size_t shown = 0;
    struct Restore {
        SkinSession& session;
        const Selection& selection;
        std::size_t& shown;
        ~Restore() {
            for (std::size_t i = 0; i < shown; ++i) {
                if (selection[i] > 0) {
                    session.returnToCache(kCategories[i].category, selection[i]);
                }
            }
        }
    } restore{*this, selection, shown};

    for (; shown < kCategoryCount; ++shown) {
        const Category c = kCategories[shown].category;
        if (selection[shown] > 0) {
            showInSlot(c, selection[shown]);
        } else {
            preview_.slot(c).visible = false;
        }
    }
    const QImage skin = preview_.renderSkin(failures);
    writeSkinFile(output, skin);
}

}  // namespace vestura::cli
