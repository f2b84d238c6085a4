#include "model/model_errors.h"

#include "common/messages.h"

namespace vestura {

EModelNotFound::EModelNotFound(const std::string& lookedFor)
    : EModelError(msg::format(kModelNotFound, lookedFor)) {}

EInvalidModel::EInvalidModel(const std::string& detail)
    : EModelError(std::string(kModelNotValid) + ": " + detail) {}

void invalidModel(const std::string& detail) {
    throw EInvalidModel(detail);
}

}  // namespace vestura
