// libjpeg's headers, included the one way that compiles: jpeglib.h uses size_t and FILE
// without including the headers that declare them.
#pragma once

// clang-format off
#include <cstddef>
#include <cstdio>
#include <jpeglib.h>
#include <jerror.h>
// clang-format on
