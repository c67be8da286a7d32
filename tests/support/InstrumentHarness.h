#pragma once

#include "engine/Vorlunda2.h"

#include <cmath>
#include <vector>

namespace vorlunda::test {

// The instrument prepared for a sample rate, with helpers to play and render it.
class InstrumentHarness : public Vorlunda2 {
public:
    explicit InstrumentHarness(double rate = 48000.0, int blockSize = 512) {
        StoreSampleRate(rate);
        StoreBlockSize(blockSize);
        RestartProcessing();
        ActivationChanged(true);
    }
    void Midi(int status, int d1, int d2, int offset = 0) {
        HandleMidiMessage(MidiEvent{offset, static_cast<std::uint8_t>(status),
                                    static_cast<std::uint8_t>(d1), static_cast<std::uint8_t>(d2)});
    }
    void Set(int index, double realValue) {
        Parameter(index)->SetReal(realValue);
        ParameterChanged(index);
    }
    void SetTimeForTest(double tempoBpm, double samplePos, double ppqPos) {
        timeInfo.tempo = tempoBpm;
        timeInfo.samplePos = samplePos;
        timeInfo.ppqPos = ppqPos;
        timeInfo.transportIsRunning = true;
    }
    // Renders `frames` samples in host blocks of `block` and appends them to left/right.
    void Render(int frames, int block = 512) {
        std::vector<double> l(static_cast<std::size_t>(block)), r(static_cast<std::size_t>(block));
        double* outs[2] = {l.data(), r.data()};
        while (frames > 0) {
            const int n = std::min(block, frames);
            RenderBlock(nullptr, outs, n);
            left.insert(left.end(), l.begin(), l.begin() + n);
            right.insert(right.end(), r.begin(), r.begin() + n);
            frames -= n;
        }
    }
    std::vector<double> left, right;
};

// Frequency of a periodic signal from its rising zero crossings (linear interpolation).
inline double ZeroCrossingFrequency(const std::vector<double>& x, std::size_t from, double rate) {
    double first = -1, last = -1;
    int count = 0;
    for (std::size_t i = from + 1; i < x.size(); ++i) {
        if (x[i - 1] < 0.0 && x[i] >= 0.0) {
            const double t = (i - 1) + x[i - 1] / (x[i - 1] - x[i]);
            if (first < 0)
                first = t;
            last = t;
            ++count;
        }
    }
    return count > 1 ? (count - 1) * rate / (last - first) : 0.0;
}

inline double Rms(const std::vector<double>& x, std::size_t from, std::size_t to) {
    double sum = 0.0;
    for (std::size_t i = from; i < to && i < x.size(); ++i)
        sum += x[i] * x[i];
    return to > from ? std::sqrt(sum / static_cast<double>(to - from)) : 0.0;
}

} // namespace vorlunda::test
