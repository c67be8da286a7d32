#pragma once

#include "core/IEditorView.h"

namespace vorlunda {

class IPluginBase;

// The editor's platform-neutral core. The plug-in base owns the attached editor and reaches it
// through the operations of IEditorView (core/IEditorView.h), which this class implements.
class IGraphics : public IEditorView {
public:
    ~IGraphics() override = default;
};

} // namespace vorlunda
