#pragma once

#include "graphics/RasterBlit.h"

namespace vorlunda {

// How a control's pixels meet the surface: a method and a weight 0..1. A greyed control draws
// with weight 0.25.
struct BlendSpec {
    enum Method : int {
        kNormal = 0, // copy using the source alpha
        kOpaque = 1, // copy, alpha ignored
        kAdd = 2,    // add using the source alpha
        kDodge = 3,  // colour dodge using the source alpha
    };

    int method = kNormal;
    float weight = 1.0f;

    // The blit mode of the bitmap layer that the method selects; unknown methods draw normally.
    constexpr int BlitMode() const {
        switch (method) {
        case kOpaque:
            return kBlitCopy;
        case kAdd:
            return kBlitAdd | kBlitUseSourceAlpha;
        case kDodge:
            return kBlitDodge | kBlitUseSourceAlpha;
        default:
            return kBlitCopy | kBlitUseSourceAlpha;
        }
    }
};

// Blend mode and weight for drawing without a BlendSpec: normal at full weight.
constexpr int BlitModeFor(const BlendSpec* blend) {
    return blend ? blend->BlitMode() : (kBlitCopy | kBlitUseSourceAlpha);
}
constexpr float BlitWeightFor(const BlendSpec* blend) {
    return blend ? blend->weight : 1.0f;
}

} // namespace vorlunda
