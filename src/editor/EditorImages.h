#pragma once

#include <array>

namespace vorlunda {

// The editor's 19 images: PNG module resources whose numeric identifier is their position in this
// table. Frames are stacked top to bottom.
enum EditorImageId : int {
    kImageBack = 1,
    kImageHandleV,
    kImageHandleH,
    kImageKnobBig,
    kImageKnobSmall,
    kImageSwitch1,
    kImageSwitch2,
    kImageSwitch3,
    kImageSwitch4,
    kImageButtonBlue,
    kImageButtonGreen,
    kImageButtonPink,
    kImageButtonYellow,
    kImageButtonWhite,
    kImageButtonSync,
    kImageButtonLfo,
    kImageButton12,
    kImageLearn,
    kImageUnlearn,
};

struct EditorImage {
    int id;
    const char* name;
    int width; // pixels, whole image
    int height;
    int frames;
};

inline constexpr std::array<EditorImage, 19> kEditorImages{{
    {kImageBack, "resources/img/back.png", 1080, 396, 1},
    {kImageHandleV, "resources/img/handlev.png", 27, 23, 1},
    {kImageHandleH, "resources/img/handleh.png", 20, 20, 1},
    {kImageKnobBig, "resources/img/knobbig.png", 64, 4096, 64},
    {kImageKnobSmall, "resources/img/knobsmall.png", 30, 1920, 64},
    {kImageSwitch1, "resources/img/switch1.png", 30, 128, 2},
    {kImageSwitch2, "resources/img/switch2.png", 30, 128, 2},
    {kImageSwitch3, "resources/img/switch3.png", 64, 192, 3},
    {kImageSwitch4, "resources/img/switch4.png", 64, 256, 4},
    {kImageButtonBlue, "resources/img/buttonblue.png", 32, 40, 2},
    {kImageButtonGreen, "resources/img/buttongreen.png", 32, 40, 2},
    {kImageButtonPink, "resources/img/buttonpink.png", 32, 40, 2},
    {kImageButtonYellow, "resources/img/buttonyellow.png", 32, 40, 2},
    {kImageButtonWhite, "resources/img/buttonwhite.png", 32, 40, 2},
    {kImageButtonSync, "resources/img/buttonsync.png", 40, 180, 9},
    {kImageButtonLfo, "resources/img/buttonlfo.png", 40, 120, 6},
    {kImageButton12, "resources/img/button12.png", 40, 40, 2},
    {kImageLearn, "resources/img/learn.png", 31, 28, 2},
    {kImageUnlearn, "resources/img/unlearn.png", 31, 28, 2},
}};

// The table entry of image `id` (1..19).
constexpr const EditorImage& EditorImageOf(int id) {
    return kEditorImages[static_cast<std::size_t>(id - 1)];
}

} // namespace vorlunda
