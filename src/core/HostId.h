#pragma once

namespace vorlunda {

// Hosts the plug-in tells apart; -1 until the host has been identified.
enum class HostId : int { NotIdentified = -1, Unknown = 0 };

} // namespace vorlunda
