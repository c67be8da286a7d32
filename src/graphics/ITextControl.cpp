#include "graphics/ITextControl.h"

#include "graphics/IGraphics.h"

namespace vorlunda {

ITextControl::ITextControl(IPluginBase* plug, const ScreenRect& rect, const TextStyle& styleArg,
                           const std::string& textArg)
    : IControl(plug, rect), text(textArg) {
    style = styleArg;
}

bool ITextControl::Render(IGraphics& graphics) {
    if (!text.empty())
        graphics.DrawLabelText(style, text.c_str(), rect);
    return true;
}

void ITextControl::SetText(const std::string& newText) {
    if (newText == text)
        return;
    MarkDirty(false);
    text = newText;
}

} // namespace vorlunda
