// Drawing text needs Qt's font database, which exists only once a GUI application does.
// The window has one from the start; vestura-cli makes its own only when a picture first
// draws text, so every other picture draws into a QImage without a platform plugin or fonts.
#pragma once

#include <QString>
#include <cstddef>
#include <utility>
#include <vector>

namespace vestura {

// Sets what makes fonts available (once, before the first picture draws); nullptr: nothing
// to do, fonts are always there.
void setFontsProvider(void (*provide)());

// Called by every text drawing before it touches a font.
void requireFonts();

// Face names as a picture asks for them, each resolved to the family Qt draws it with.
// Matching a name no installed font has makes Qt search its whole font list every time a
// font is made from that name; a font made from the family it resolved to is found at once.
// Keeps the last `capacity` names resolved.
class FaceFamilies {
public:
    explicit FaceFamilies(std::size_t capacity) : capacity_(capacity) {}

    // True when `face` is resolved and kept, so family() costs no matching.
    bool known(const QString& face) const;
    // The family `face` draws with: resolved when it is not known (fonts must be there),
    // and then kept in place of the name resolved longest ago when all places are taken.
    QString family(const QString& face);

private:
    std::size_t capacity_;
    std::vector<std::pair<QString, QString>> kept_;  // name, family; oldest first
};

}  // namespace vestura
