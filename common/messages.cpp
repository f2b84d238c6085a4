#include "common/messages.h"

namespace vestura::msg {

std::string format(std::string_view pattern, std::string_view argument) {
    std::string result(pattern);
    for (std::size_t i = 0; i + 1 < result.size(); ++i) {
        if (result[i] == '%' && (result[i + 1] == 's' || result[i + 1] == 'd')) {
            result.replace(i, 2, argument);
            break;
        }
    }
    return result;
}

std::string format(std::string_view pattern, long long number) {
    return format(pattern, std::to_string(number));
}

}  // namespace vestura::msg
