// The surface on Windows: a 32-bit top-down DIB section selected into a memory device context
// compatible with the screen, so GDI can draw text into it and the window layer can BitBlt it.
#include "graphics/RasterSysBitmap.h"

#include <windows.h>

namespace vorlunda {

void RasterSysBitmap::CreateContext() {
    deviceContext = CreateCompatibleDC(nullptr);
}

void RasterSysBitmap::DestroyContext() {
    if (deviceContext)
        DeleteDC(static_cast<HDC>(deviceContext));
    deviceContext = nullptr;
}

RasterDeviceContext RasterSysBitmap::DeviceContext() const {
    return deviceContext;
}

bool RasterSysBitmap::CreatePixels(int allocWidth, int allocHeight) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = allocWidth;
    info.bmiHeader.biHeight = -allocHeight; // negative: rows top to bottom
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap =
        CreateDIBSection(static_cast<HDC>(deviceContext), &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap || !bits) {
        if (bitmap)
            DeleteObject(bitmap);
        return false;
    }
    section = bitmap;
    previousObject = SelectObject(static_cast<HDC>(deviceContext), bitmap);
    pixels = static_cast<RasterPixel*>(bits);
    return true;
}

void RasterSysBitmap::ReleasePixels() {
    if (section) {
        // GDI may still have drawing queued for the section; finish it before the bits go.
        GdiFlush();
        SelectObject(static_cast<HDC>(deviceContext), static_cast<HGDIOBJ>(previousObject));
        DeleteObject(static_cast<HGDIOBJ>(section));
    }
    section = nullptr;
    previousObject = nullptr;
    pixels = nullptr;
    allocatedWidth = allocatedHeight = 0;
}

} // namespace vorlunda
