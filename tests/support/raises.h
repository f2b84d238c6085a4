// raises<E>(call, message): a GoogleTest check that a call fails with exactly the given
// failure class and message text.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <typeinfo>

#include "common/errors.h"

namespace vestura::test {

template <typename Expected, typename Call>
::testing::AssertionResult raises(Call&& call, std::string_view message) {
    try {
        call();
    } catch (const Expected& e) {
        if (e.message() == message) {
            return ::testing::AssertionSuccess();
        }
        return ::testing::AssertionFailure()
               << "raised \"" << e.message() << "\", expected \"" << message << "\"";
    } catch (const Exception& e) {
        return ::testing::AssertionFailure()
               << "raised " << typeid(e).name() << " \"" << e.message() << "\"";
    }
    return ::testing::AssertionFailure() << "raised nothing, expected \"" << message << "\"";
}

}  // namespace vestura::test
