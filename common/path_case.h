// File names as Windows treats them: without regard to letter case. A catalogue made there
// may name "Parts\Shirts\Polo.BMP" for the file parts/shirts/polo.bmp.
#pragma once

#include <string>

namespace vestura {

// The path as written when it exists so. Otherwise each component, from the first on, is
// taken as written when that exists, else as the one entry of its folder whose name
// equals it ignoring ASCII letter case; when a component has no such entry or several,
// the path is returned as written. On Windows the path is always returned unchanged.
std::string resolveIgnoringCase(const std::string& path);

}  // namespace vestura
