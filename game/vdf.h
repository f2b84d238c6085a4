// A reader for the text key-value files Steam keeps its libraries and app manifests in
// ("libraryfolders.vdf", "appmanifest_<id>.acf"): quoted or bare tokens, backslash escapes,
// nested blocks in braces, "//" comments and bracketed platform conditions.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vestura {

struct VdfNode {
    std::string key;
    std::string value;              // a pair's value; empty for a block
    std::vector<VdfNode> children;  // a block's entries, in file order
    bool block = false;

    // The first entry named `name`, compared ignoring ASCII case as Steam does; nullptr when
    // there is none.
    const VdfNode* child(std::string_view name) const;
};

// The most levels of nested blocks kept (the root counts as one); deeper blocks are
// skipped whole.
inline constexpr int kVdfMaxDepth = 32;

// Parses a whole file into a root block holding its top-level entries. A damaged file gives
// every entry read before the damage: a missing closing brace ends the block at the end of
// the text, a key without its value is dropped.
VdfNode parseVdf(std::string_view text);

}  // namespace vestura
