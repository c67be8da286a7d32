#pragma once

namespace vorlunda::validate {

// Seconds of processor time the calling thread has used, for comparing the cost of two
// renders. Where the system has no precise per-thread clock (Windows, whose thread times tick
// in 15.6 ms steps, and wine's in 10 ms), the wall clock stands in; the callers interleave
// their measurements and take medians, so a thread that was preempted for a moment does not
// decide a comparison.
double ThreadSeconds();

} // namespace vorlunda::validate
