#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vorlunda {

// The text of a Windows-style profile (INI) file held in memory: "[Section]" lines open sections,
// "key=value" lines follow. Section and key names match without regard to case; lines we do not
// understand (comments, junk) are kept as they are. Used where the platform has no profile
// functions; portable so that the parser can be fuzzed.
class IniDocument {
public:
    void Parse(std::string_view text);
    std::string Serialize() const;

    // The value of the first matching key of the first matching section, or none.
    bool Get(std::string_view section, std::string_view key, std::string* value) const;
    // The names of the keys in every section of that name, in file order.
    std::vector<std::string> Keys(std::string_view section) const;
    // Replaces the key's value in place, or appends the key to its section; creates the section
    // at the end when it is missing.
    void Set(std::string_view section, std::string_view key, std::string_view value);
    // Removes every key line of the section; its header line stays (or is created).
    void EmptySection(std::string_view section);

private:
    struct Line {
        std::string text;
        std::string section; // for a header line, the section it opens
        std::string key;     // for a key line
        std::string value;
        enum Kind { Other, Header, Key } kind = Other;
    };
    // Opens a new section at the end of the file.
    void AppendHeader(std::string_view section);
    // Index of the first header line of the section, or -1.
    int FindSection(std::string_view section) const;
    // One past the last line that belongs to the section starting at `header`.
    int SectionEnd(int header) const;

    std::vector<Line> lines;
};

bool EqualsNoCase(std::string_view a, std::string_view b);

} // namespace vorlunda
