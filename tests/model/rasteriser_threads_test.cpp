// The renderer's bands when the system gives no more threads: each is drawn on the calling
// thread, to the same picture, instead of being waited for without end.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include "model/clump_reader.h"
#include "model/rasteriser.h"
#include "tests/support/rw_writer.h"
#include "tests/support/unprivileged.h"

namespace vestura {
namespace {

// A process limit of one, which an ordinary user is held to, refuses every new thread.
TEST(RendererThreads, WhenNoThreadCanBeHadEveryBandIsDrawnHereAlike) {
    const Mesh cube = readClump(test::writeDff(test::cubeClump(), test::kStamp34));
    const QImage skin = test::cubeSkin();
    const QImage expected = renderView(cube, skin, {30, 20, 1}, {64, 64});
    const int status = test::runUnprivileged([&] {
        ::alarm(10);  // a hang ends the child by the alarm signal
        const rlimit one{1, 1};
        if (::setrlimit(RLIMIT_NPROC, &one) != 0) {
            return 2;
        }
        ViewRenderer renderer(ViewRenderer::kMaxBands);
        return renderer.render(cube, skin, {30, 20, 1}, {64, 64}) == expected ? 0 : 1;
    });
    EXPECT_EQ(status, 0);
}

}  // namespace
}  // namespace vestura
