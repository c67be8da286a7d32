#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vorlunda {
class IPluginBase;
}

namespace vorlunda::bankgen {

// The readable source of a factory bank: one block per program, a "[Name]" line followed by
// "Parameter name = value" lines for the parameters that differ from their defaults. A value is
// the parameter's plain value ("Flt Frq = 0.45", "Voices = 4") or, in double quotes, one of its
// value texts ("Flt Pole = "12"", "LFO Osc = "Sine""). Lines starting with '#' are comments.

constexpr int kMaxProgramName = 24; // characters: fits the program selector and the file field

struct ParameterSetting {
    int index = 0;
    double value = 0.0; // plain value, inside the parameter's range
    int line = 0;
};

struct ProgramSource {
    std::string name;
    int line = 0;
    std::vector<ParameterSetting> settings;
};

struct SourceError {
    std::string path;
    int line = 0;
    std::string message;
    // "path:line: error: message", the form build logs and editors link to.
    std::string Text() const;
};

struct BankSource {
    std::vector<ProgramSource> programs;
    std::vector<SourceError> errors; // empty when the source describes a valid bank
};

// Parses `text` (read from `path`, used in messages) for factory bank `version` of `plugin`:
// version 1 programs may set only the parameters that version 1 had (0..59). Every problem is
// reported: unknown names, values out of range or not whole for stepped kinds, equaliser cuts
// (the headerless layout factory programs are stored in reads them as 0), a parameter set twice,
// empty, over-long or duplicate program names, and any program count but the plug-in's.
BankSource ParseBankSource(std::string_view text, const std::string& path,
                           const IPluginBase& plugin, int version);

// Every parameter of version 2 at its default; for a version-1 program the parameters that
// version 1 did not have at the values its programs load with; then the program's settings.
std::vector<double> ProgramValues(const ProgramSource& program, const IPluginBase& plugin,
                                  int version);

// Parameters 0..59 existed in version 1; the rest came with version 2.
constexpr int kVersion1ParameterCount = 60;

} // namespace vorlunda::bankgen
