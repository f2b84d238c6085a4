// The arithmetic of one drawn pixel of the 3D view: four skin texels blended bilinearly,
// then lit. Every channel is ((a * (256 - f) + b * f) >> 8) across, then the same down,
// then (c * light) >> 8: integers only, so the picture is the same on every machine. On
// processors with SSE2 the four channels are done at once, computing the very same integers.
#pragma once

#include <QRgb>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vestura::texel {

// Weights and the light are in 0..kOne.
inline constexpr std::uint32_t kOne = 256;

inline QRgb lerp(QRgb a, QRgb b, std::uint32_t t) {
    const std::uint32_t rb = ((a & 0xFF00FF) * (kOne - t) + (b & 0xFF00FF) * t) >> 8;
    const std::uint32_t g = ((a & 0x00FF00) * (kOne - t) + (b & 0x00FF00) * t) >> 8;
    return (rb & 0xFF00FF) | (g & 0x00FF00);
}

inline QRgb lit(QRgb c, std::uint32_t light) {
    const std::uint32_t rb = ((c & 0xFF00FF) * light >> 8) & 0xFF00FF;
    const std::uint32_t g = ((c & 0x00FF00) * light >> 8) & 0x00FF00;
    return 0xFF000000U | rb | g;
}

// p00, p01 the upper texels left and right, p10, p11 the lower; fx towards the right, fy
// towards the lower.
inline QRgb bilinearLitScalar(QRgb p00, QRgb p01, QRgb p10, QRgb p11, std::uint32_t fx,
                              std::uint32_t fy, std::uint32_t light) {
    return lit(lerp(lerp(p00, p01, fx), lerp(p10, p11, fx), fy), light);
}

inline QRgb bilinearLit(QRgb p00, QRgb p01, QRgb p10, QRgb p11, std::uint32_t fx,
                        std::uint32_t fy, std::uint32_t light) {
#if defined(__SSE2__)
    // 16-bit lanes: a product is at most 255 * 256 and a blend's two products add up to at
    // most that, so nothing wraps.
    const __m128i zero = _mm_setzero_si128();
    const auto pair = [zero](QRgb a, QRgb b) {
        return _mm_unpacklo_epi8(_mm_unpacklo_epi32(_mm_cvtsi32_si128(static_cast<int>(a)),
                                                    _mm_cvtsi32_si128(static_cast<int>(b))),
                                 zero);
    };
    const auto weight = [](std::uint32_t w) { return _mm_set1_epi16(static_cast<short>(w)); };
    // Across: [upper | lower] from the left texels and the right ones.
    const __m128i across = _mm_srli_epi16(
        _mm_add_epi16(_mm_mullo_epi16(pair(p00, p10), weight(kOne - fx)),
                      _mm_mullo_epi16(pair(p01, p11), weight(fx))),
        8);
    // Down: the upper half weighted by 256 - fy, the lower by fy, added.
    const __m128i weighted = _mm_mullo_epi16(across, _mm_unpacklo_epi64(weight(kOne - fy), weight(fy)));
    const __m128i down = _mm_srli_epi16(_mm_add_epi16(weighted, _mm_srli_si128(weighted, 8)), 8);
    const __m128i shaded = _mm_srli_epi16(_mm_mullo_epi16(down, weight(light)), 8);
    return static_cast<QRgb>(_mm_cvtsi128_si32(_mm_packus_epi16(shaded, shaded))) | 0xFF000000U;
#else
    return bilinearLitScalar(p00, p01, p10, p11, fx, fy, light);
#endif
}

}  // namespace vestura::texel
