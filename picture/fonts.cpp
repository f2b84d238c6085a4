#include "picture/fonts.h"

#include <QFont>
#include <QFontInfo>
#include <algorithm>

namespace vestura {

namespace {
void (*provider)() = nullptr;
}  // namespace

void setFontsProvider(void (*provide)()) {
    provider = provide;
}

void requireFonts() {
    if (provider != nullptr) {
        provider();
    }
}

bool FaceFamilies::known(const QString& face) const {
    return std::any_of(kept_.begin(), kept_.end(),
                       [&face](const auto& entry) { return entry.first == face; });
}

QString FaceFamilies::family(const QString& face) {
    const auto found = std::find_if(kept_.begin(), kept_.end(),
                                    [&face](const auto& entry) { return entry.first == face; });
    if (found != kept_.end()) {
        return found->second;
    }
    QString matched = QFontInfo(QFont(face)).family();
    if (capacity_ == 0) {
        return matched;
    }
    if (kept_.size() == capacity_) {
        kept_.erase(kept_.begin());
    }
    kept_.emplace_back(face, matched);
    return matched;
}

}  // namespace vestura
