// The program's own identity texts: the application title, the window caption, the contact
// address and the texts built from it (About, the contact warning, the mail link).
#pragma once

#include <string>
#include <string_view>

namespace vestura {

// The taskbar title and the caption of every failure message.
inline constexpr std::string_view kApplicationTitle = "Vestura";
inline constexpr std::string_view kWindowCaption = "Vestura by Kadrow (version 1.1)";

// The project's contact address: shown by the two link labels, named in the About text and
// opened as the mail link.
inline constexpr std::string_view kContactAddress = "vestura@example.org";

// Eight lines joined by line feeds, no line feed at the end.
std::string aboutText();
// Six lines joined by line feeds: how to mark the subject of a mail.
std::string contactWarningText();
// "mailto:" and the contact address, nothing else.
std::string mailLink();

}  // namespace vestura
