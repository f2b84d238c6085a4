#include "common/failure_text.h"

namespace vestura {

std::string withClosingPeriod(std::string text) {
    if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') {
        text.push_back('.');
    }
    return text;
}

}  // namespace vestura
