#pragma once

#include <string>
#include <vector>

namespace vorlunda {

// One legal (inputs, outputs) pair of the plug-in.
struct ChannelConfig {
    int inputs = 0;
    int outputs = 0;
};

// Connection state and scratch buffer of one input; a disconnected input reads the scratch
// buffer (silence or converted samples).
struct InputChannel {
    bool connected = false;
    double** pointer = nullptr; // this channel's entry in the input pointer array
    std::vector<double> scratch;
    std::string label;
};

// Connection state and scratch buffer of one output; a disconnected output renders into the
// scratch buffer. `hostFloat` is the host's single-precision buffer of the current block.
struct OutputChannel {
    bool connected = false;
    double** pointer = nullptr; // this channel's entry in the output pointer array
    float* hostFloat = nullptr;
    std::vector<double> scratch;
    std::string label;
};

} // namespace vorlunda
