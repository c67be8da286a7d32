#include "BankSource.h"

#include "core/IPluginBase.h"
#include "core/PlugParam.h"
#include "engine/ParameterTable.h"

#include <charconv>
#include <cmath>
#include <map>

namespace vorlunda::bankgen {

namespace {

std::string_view Trim(std::string_view s) {
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string_view::npos)
        return {};
    const auto last = s.find_last_not_of(" \t\r");
    return s.substr(first, last - first + 1);
}

bool SameNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto x = static_cast<unsigned char>(a[i]);
        const auto y = static_cast<unsigned char>(b[i]);
        if ((x >= 'A' && x <= 'Z' ? x + 32 : x) != (y >= 'A' && y <= 'Z' ? y + 32 : y))
            return false;
    }
    return true;
}

std::string Quoted(std::string_view s) {
    return "\"" + std::string(s) + "\"";
}

std::string Number(double v) {
    char text[32];
    const auto [end, ec] = std::to_chars(text, text + sizeof text, v);
    return std::string(text, ec == std::errc() ? end : text);
}

bool IsStepped(const PlugParam& p) {
    return p.Kind() != PlugParam::Type::Continuous;
}

// Parses the lines of one source; every check that needs more than one line (names, counts)
// runs on the collected programs.
class Parser {
public:
    Parser(const std::string& path, const IPluginBase& plugin, int version)
        : path(path), plugin(plugin), version(version) {}

    BankSource Run(std::string_view text) {
        if (version != 1 && version != 2) {
            Error(0, "factory bank version " + std::to_string(version) + " does not exist");
            return std::move(bank);
        }
        if (text.substr(0, 3) == "\xEF\xBB\xBF")
            text.remove_prefix(3); // a byte-order mark some editors write
        int line = 0;
        while (!text.empty()) {
            const auto end = text.find('\n');
            ParseLine(Trim(text.substr(0, end)), ++line);
            text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        }
        CheckProgramCount(line);
        return std::move(bank);
    }

private:
    void Error(int line, std::string message) {
        bank.errors.push_back(SourceError{path, line, std::move(message)});
    }

    void ParseLine(std::string_view text, int line) {
        if (text.empty() || text.front() == '#')
            return;
        if (text.front() == '[')
            StartProgram(text, line);
        else if (const auto equals = text.find('='); equals != std::string_view::npos)
            ParseSetting(Trim(text.substr(0, equals)), Trim(text.substr(equals + 1)), line);
        else
            Error(line, "expected \"[Program name]\" or \"Parameter name = value\", found " +
                            Quoted(text));
    }

    void StartProgram(std::string_view text, int line) {
        // A malformed line still opens a program, so the lines after it are checked as its
        // settings and the count stays right: one mistake, one message.
        const bool closed = text.back() == ']';
        const std::string name(Trim(text.substr(1, text.size() - (closed ? 2 : 1))));
        bank.programs.push_back(ProgramSource{name, line, {}});
        if (!closed) {
            Error(line, "a program name line must end with ']'");
            return;
        }
        if (name.empty()) {
            Error(line, "empty program name");
            return;
        }
        if (name.size() > static_cast<std::size_t>(kMaxProgramName))
            Error(line, "program name " + Quoted(name) + " has " + std::to_string(name.size()) +
                            " characters; at most " + std::to_string(kMaxProgramName) +
                            " are allowed");
        for (const char c : name) {
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
                Error(line, "program name " + Quoted(name) + " contains a control character");
                break;
            }
        }
        const auto [first, inserted] = namesSeen.emplace(name, line);
        if (!inserted)
            Error(line, "program name " + Quoted(name) + " is already used on line " +
                            std::to_string(first->second));
    }

    void ParseSetting(std::string_view name, std::string_view valueText, int line) {
        if (bank.programs.empty()) {
            Error(line, "parameter " + Quoted(name) + " set before the first \"[Program name]\"");
            return;
        }
        const int index = FindParameter(name, line);
        if (index < 0)
            return;
        const PlugParam& p = *plugin.Parameter(index);
        if (version == 1 && index >= kVersion1ParameterCount) {
            Error(line, "parameter " + Quoted(name) +
                            " did not exist in version 1; a version-1 bank sets only the first " +
                            std::to_string(kVersion1ParameterCount) + " parameters");
            return;
        }
        double value = 0.0;
        if (!ParseValue(p, valueText, line, &value) || !CheckValue(index, value, line))
            return;
        ProgramSource& program = bank.programs.back();
        for (const ParameterSetting& earlier : program.settings) {
            if (earlier.index == index) {
                Error(line, "parameter " + Quoted(name) + " is already set on line " +
                                std::to_string(earlier.line));
                return;
            }
        }
        program.settings.push_back(ParameterSetting{index, value, line});
    }

    int FindParameter(std::string_view name, int line) {
        for (int i = 0; i < plugin.ParameterCount(); ++i) {
            if (name == plugin.Parameter(i)->NameText())
                return i;
        }
        std::string message = "unknown parameter " + Quoted(name);
        for (int i = 0; i < plugin.ParameterCount(); ++i) {
            if (SameNoCase(name, plugin.Parameter(i)->NameText())) {
                message += "; did you mean " + Quoted(plugin.Parameter(i)->NameText()) + "?";
                break;
            }
        }
        Error(line, message);
        return -1;
    }

    bool ParseValue(const PlugParam& p, std::string_view text, int line, double* value) {
        const std::string name = Quoted(p.NameText());
        if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
            const std::string label(text.substr(1, text.size() - 2));
            if (p.ValueOfText(label.c_str(), value))
                return true;
            std::string known;
            for (int i = 0; i < p.ValueTextCount(); ++i)
                known += (i ? ", " : "") + Quoted(p.ValueTextAt(i)->text);
            Error(line, "parameter " + name + " has no value text " + Quoted(label) +
                            (known.empty() ? "; give a number" : "; it has " + known));
            return false;
        }
        const char* first = text.data();
        const char* last = text.data() + text.size();
        if (!text.empty() && text.front() == '+')
            ++first; // from_chars takes no plus sign
        const auto [end, ec] = std::from_chars(first, last, *value);
        if (text.empty() || ec != std::errc() || end != last || !std::isfinite(*value)) {
            Error(line, "value " + Quoted(text) + " of parameter " + name +
                            " is not a number (value texts go in double quotes)");
            return false;
        }
        return true;
    }

    bool CheckValue(int index, double value, int line) {
        const PlugParam& p = *plugin.Parameter(index);
        const std::string name = Quoted(p.NameText());
        if (value < p.Minimum() || value > p.Maximum()) {
            Error(line, "value " + Number(value) + " of parameter " + name + " is outside " +
                            Number(p.Minimum()) + " .. " + Number(p.Maximum()));
            return false;
        }
        if (IsStepped(p) && value != std::floor(value)) {
            Error(line, "parameter " + name + " takes whole numbers, not " + Number(value));
            return false;
        }
        if (value < 0.0 && index >= kEq100 && index <= kEq12k) {
            Error(line, "equaliser cut " + Number(value) + " on " + name +
                            ": factory programs are stored without the state header, whose "
                            "readers take negative equaliser values as 0");
            return false;
        }
        return true;
    }

    void CheckProgramCount(int lastLine) {
        const auto count = static_cast<int>(bank.programs.size());
        if (count > plugin.ProgramCount())
            Error(bank.programs[static_cast<std::size_t>(plugin.ProgramCount())].line,
                  "program " + std::to_string(plugin.ProgramCount() + 1) + " of " +
                      std::to_string(count) + ": a bank holds exactly " +
                      std::to_string(plugin.ProgramCount()) + " programs");
        else if (count < plugin.ProgramCount())
            Error(lastLine, std::to_string(count) + " programs: a bank holds exactly " +
                                std::to_string(plugin.ProgramCount()) + " programs");
    }

    const std::string& path;
    const IPluginBase& plugin;
    const int version;
    BankSource bank;
    std::map<std::string, int> namesSeen; // name -> line of its first use
};

} // namespace

std::string SourceError::Text() const {
    return path + ":" + std::to_string(line) + ": error: " + message;
}

BankSource ParseBankSource(std::string_view text, const std::string& path,
                           const IPluginBase& plugin, int version) {
    return Parser(path, plugin, version).Run(text);
}

std::vector<double> ProgramValues(const ProgramSource& program, const IPluginBase& plugin,
                                  int version) {
    std::vector<double> values(static_cast<std::size_t>(plugin.ParameterCount()));
    for (int i = 0; i < plugin.ParameterCount(); ++i) {
        const PlugParam& p = *plugin.Parameter(i);
        // Version 1 programs load with "Stereo" at 0 and every later parameter at its default.
        const bool version1Only = version == 1 && i >= kVersion1ParameterCount;
        values[static_cast<std::size_t>(i)] = version1Only && i == kStereo ? 0.0 : p.DefaultValue();
    }
    for (const ParameterSetting& s : program.settings)
        values[static_cast<std::size_t>(s.index)] = s.value;
    return values;
}

} // namespace vorlunda::bankgen
