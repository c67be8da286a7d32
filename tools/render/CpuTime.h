#pragma once

namespace vorlunda::render {

// Processor time used by the whole process so far (all threads, user and system), in seconds.
// A plug-in that renders on helper threads is charged for them too.
double ProcessCpuSeconds();

} // namespace vorlunda::render
