// The configuration file's reader and writer (used wherever the platform has no profile
// functions) on arbitrary bytes: parsing never fails, and writing settings the way the plug-in
// does gives a text that reads back exactly the settings expected, with every other setting
// as it was read.
#include "platform/IniDocument.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

using namespace vorlunda;

namespace {

struct Setting {
    std::string section;
    std::string key;
};

// Every setting the plug-in reads, in the spellings it uses, plus a few in other cases (the
// file's names match without regard to case).
const std::vector<Setting>& Settings() {
    static const std::vector<Setting> settings = [] {
        std::vector<Setting> s = {
            {"Startup Bank", "File"},     {"Global", "Path to Program Files"},
            {"MIDI Global", "MIDI Thru"}, {"MIDI Global", "Ignore Program Change"},
            {"startup bank", "FILE"},     {"midi control", "cc7"}};
        for (int c = 0; c < 120; ++c)
            s.push_back({"MIDI Control", "CC" + std::to_string(c)});
        return s;
    }();
    return settings;
}

using Values = std::vector<std::optional<std::string>>;

Values Read(const IniDocument& doc) {
    Values values;
    for (const Setting& s : Settings()) {
        std::string value;
        values.push_back(doc.Get(s.section, s.key, &value) ? std::optional(value) : std::nullopt);
    }
    return values;
}

// Applies a write to the document and to the expected values alike.
class Writer {
public:
    Writer(IniDocument& doc, Values& expected) : doc(doc), expected(expected) {}

    void Set(std::string_view section, std::string_view key, const std::string& value) {
        doc.Set(section, key, value);
        ForEachMatch(section, key, [&](std::optional<std::string>& v) { v = value; });
    }
    void EmptySection(std::string_view section) {
        doc.EmptySection(section);
        ForEachMatch(section, {}, [](std::optional<std::string>& v) { v.reset(); });
    }

private:
    // An empty key matches every key of the section.
    template <class F>
    void ForEachMatch(std::string_view section, std::string_view key, F&& change) {
        for (std::size_t i = 0; i < Settings().size(); ++i) {
            const Setting& s = Settings()[i];
            if (EqualsNoCase(s.section, section) && (key.empty() || EqualsNoCase(s.key, key)))
                change(expected[i]);
        }
    }

    IniDocument& doc;
    Values& expected;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    IniDocument doc;
    doc.Parse(text);
    Values expected = Read(doc);
    // Serialising what was parsed changes no setting.
    IniDocument copy;
    copy.Parse(doc.Serialize());
    if (Read(copy) != expected)
        std::abort();

    // The writes of the configuration commands, chosen by the input's length so that every
    // text meets each of them: the startup bank section rewritten with the value read, the
    // MIDI switches, the controller map rewritten, the program folder.
    Writer writer(doc, expected);
    const std::size_t choice = size % 16;
    if (choice & 1) {
        const std::string bank = expected[0].value_or("/banks/new.fxb");
        writer.EmptySection("Startup Bank");
        writer.Set("Startup Bank", "File", bank);
    }
    if (choice & 2) {
        writer.Set("MIDI Global", "MIDI Thru", expected[2] == "true" ? "false" : "true");
        writer.Set("MIDI Global", "Ignore Program Change", "false");
    }
    if (choice & 4) {
        std::vector<std::pair<int, std::string>> bindings;
        for (int c = 0; c < 120; ++c) {
            if (const auto& v = expected[static_cast<std::size_t>(6 + c)])
                bindings.emplace_back(c, *v);
        }
        writer.EmptySection("MIDI Control");
        for (const auto& [controller, value] : bindings)
            writer.Set("MIDI Control", "CC" + std::to_string(controller), value);
        writer.Set("MIDI Control", "CC74", "28");
    }
    if (choice & 8)
        writer.Set("Global", "Path to Program Files", "/presets");

    const std::string written = doc.Serialize();
    IniDocument reread;
    reread.Parse(written);
    if (Read(reread) != expected)
        std::abort();
    // Reading and writing again is stable.
    if (reread.Serialize() != written)
        std::abort();
    return 0;
}
