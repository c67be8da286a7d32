#pragma once

namespace vorlunda {

// The host's transport as the engine sees it; refreshed from the host once per block.
struct HostTimeInfo {
    double tempo = 120.0;     // beats per minute
    double samplePos = -1.0;  // samples since song start
    double ppqPos = -1.0;     // quarter notes since song start
    double lastBar = -1.0;    // quarter-note position of the current bar's start
    double cycleStart = -1.0; // quarter notes
    double cycleEnd = -1.0;   // quarter notes
    int numerator = 4;        // time signature
    int denominator = 4;
    bool transportIsRunning = false;
    bool transportIsLooping = false;
};

} // namespace vorlunda
