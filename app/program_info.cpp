// The About text, the contact warning and the mail link.
#include "app/program_info.h"

#include <initializer_list>

namespace vestura {

namespace {

std::string joinLines(std::initializer_list<std::string_view> lines) {
    std::string text;
    bool first = true;
    for (const std::string_view line : lines) {
        if (!first) {
            text.push_back('\n');
        }
        text.append(line);
        first = false;
    }
    return text;
}

}  // namespace

std::string aboutText() {
    const std::string email = "e-mail: " + std::string(kContactAddress);
    return joinLines({"Vestura 1.1 by Kadrow", email, "", "March, 2004 year", "",
                      "Special thanks to Rockstar for making superb games", "",
                      "Tested on Windows 2000\\XP"});
}

std::string contactWarningText() {
    return joinLines({"WARNING!",
                      "If you want to send a question, in a field a theme specify a symbol Q.",
                      "If you want to send the remark, in a field a theme specify a symbol R.",
                      "If you want to send something another, in a field a theme specify a "
                      "symbol O.",
                      "", "All letters with other variants of theme will be removed."});
}

std::string mailLink() {
    return "mailto:" + std::string(kContactAddress);
}

}  // namespace vestura
