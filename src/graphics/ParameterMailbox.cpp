#include "graphics/ParameterMailbox.h"

#include <algorithm>
#include <cmath>

namespace vorlunda {

ParameterMailbox::ParameterMailbox(int parameterCount)
    : count(std::max(parameterCount, 0)),
      slots(std::make_unique<Slot[]>(static_cast<std::size_t>(count))) {}

void ParameterMailbox::Post(int index, double normalised) {
    if (index < 0 || index >= count || std::isnan(normalised))
        return;
    normalised = std::clamp(normalised, 0.0, 1.0);
    Slot& slot = slots[static_cast<std::size_t>(index)];
    // The value is stored before its flag is raised (release), so the editor that sees the flag
    // (acquire) reads this value or a newer one.
    slot.value.store(normalised, std::memory_order_relaxed);
    slot.posted.store(true, std::memory_order_release);
    anyPosted.store(true, std::memory_order_release);
}

} // namespace vorlunda
