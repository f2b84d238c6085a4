#include "model/frames.h"

#include "model/model_errors.h"

namespace vestura {

namespace {

Vec3 add(const Vec3& a, const Vec3& b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
Vec3 scaled(const Vec3& v, float s) {
    return {v.x * s, v.y * s, v.z * s};
}

enum class State : std::uint8_t { Waiting, OnPath, Done };

}  // namespace

Vec3 Affine::applyLinear(const Vec3& p) const {
    return add(add(scaled(right, p.x), scaled(up, p.y)), scaled(at, p.z));
}

Vec3 Affine::apply(const Vec3& p) const {
    return add(applyLinear(p), pos);
}

Affine Affine::after(const Affine& inner) const {
    return {applyLinear(inner.right), applyLinear(inner.up), applyLinear(inner.at), apply(inner.pos)};
}

std::vector<Affine> modelSpaceMatrices(const std::vector<Frame>& frames) {
    const auto count = static_cast<std::int64_t>(frames.size());
    std::vector<Affine> world(frames.size());
    std::vector<State> state(frames.size(), State::Waiting);
    if (!frames.empty()) {
        state[0] = State::Done;  // the root's own matrix never applies
    }
    std::vector<std::size_t> path;
    for (std::size_t start = 0; start < frames.size(); ++start) {
        // Climb until a frame whose matrix is known, or a root; then compose back down.
        path.clear();
        std::int64_t at = static_cast<std::int64_t>(start);
        while (at >= 0 && state[static_cast<std::size_t>(at)] != State::Done) {
            const auto index = static_cast<std::size_t>(at);
            if (state[index] == State::OnPath) {
                invalidModel("its frames' parents form a cycle");
            }
            state[index] = State::OnPath;
            path.push_back(index);
            at = frames[index].parent;
            if (at < -1 || at >= count) {
                invalidModel("a frame names a parent outside the frame list");
            }
        }
        Affine above = at >= 0 ? world[static_cast<std::size_t>(at)] : Affine{};
        for (auto it = path.rbegin(); it != path.rend(); ++it) {
            above = above.after(frames[*it].local);
            world[*it] = above;
            state[*it] = State::Done;
        }
    }
    return world;
}

}  // namespace vestura
