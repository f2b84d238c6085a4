#include "picture/display.h"

namespace vestura {

namespace {
DisplayInfo& current() {
    static DisplayInfo info;
    return info;
}
}  // namespace

const DisplayInfo& display() { return current(); }
void setDisplay(const DisplayInfo& info) { current() = info; }

}  // namespace vestura
