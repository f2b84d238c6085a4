#include "picture/fonts.h"

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

}  // namespace vestura
