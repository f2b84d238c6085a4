// The two ways the player model can fail: it is not there, or it is not a model we can show.
// Both carry the program's own message text.
#pragma once

#include <string>
#include <string_view>

#include "common/errors.h"

namespace vestura {

inline constexpr std::string_view kModelNotFound = "Player model not found: %s";
inline constexpr std::string_view kModelNotValid = "Player model is not valid";

// Either failure: the user is told, the view does not open.
class EModelError : public Exception {
public:
    using Exception::Exception;
};

// "Player model not found: <the file that was looked for>".
class EModelNotFound : public EModelError {
public:
    explicit EModelNotFound(const std::string& lookedFor);
};

// "Player model is not valid: <what was wrong>".
class EInvalidModel : public EModelError {
public:
    explicit EInvalidModel(const std::string& detail);
};

[[noreturn]] void invalidModel(const std::string& detail);

}  // namespace vestura
