// File names as Windows treats them: without regard to letter case. A catalogue made there
// may name "Parts\Shirts\Polo.BMP" for the file parts/shirts/polo.bmp.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace vestura {

// True when the folder entry `entry` stands for the path component `component`.
using ComponentMatch = std::function<bool(std::string_view entry, std::string_view component)>;

// The path as written when it exists so. Otherwise each component, from the first on, is
// taken as written when that exists, else as the one entry of its folder that `matches`
// it; when a component has no such entry or several, the path is returned as written.
std::string resolveComponents(const std::string& path, const ComponentMatch& matches);

// The path as written when it exists so. Otherwise each component, from the first on, is
// taken as written when that exists, else as the one entry of its folder whose name
// equals it ignoring ASCII letter case; when a component has no such entry or several,
// the path is returned as written. On Windows the path is always returned unchanged.
std::string resolveIgnoringCase(const std::string& path);

}  // namespace vestura
