#pragma once

#include "graphics/IControl.h"

#include <string>

namespace vorlunda {

// A line of text drawn with the control's style.
class ITextControl : public IControl {
public:
    ITextControl(IPluginBase* plug, const ScreenRect& rect, const TextStyle& style,
                 const std::string& text = {});

    // Draws the text when there is one; answers true either way (a text that cannot be drawn is
    // simply not shown).
    bool Render(IGraphics& graphics) override;

    // Marks the control for drawing when the text changes.
    void SetText(const std::string& newText);
    const std::string& Text() const { return text; }

private:
    std::string text;
};

} // namespace vorlunda
