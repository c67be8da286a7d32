#pragma once

namespace vorlunda::bench {

// Processor time used by this process so far (all threads), in seconds. On a shared machine it
// counts only what the process itself ran, unlike the wall clock.
double ProcessCpuSeconds();

} // namespace vorlunda::bench
