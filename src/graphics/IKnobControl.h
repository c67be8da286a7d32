#pragma once

#include "graphics/IControl.h"

namespace vorlunda {

// The common base of knobs; never made on its own.
class IKnobControl : public IControl {
protected:
    using IControl::IControl;
};

} // namespace vorlunda
