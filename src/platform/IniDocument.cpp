#include "platform/IniDocument.h"

namespace vorlunda {

namespace {

std::string_view Trim(std::string_view s) {
    const char* blanks = " \t\r\n";
    const auto first = s.find_first_not_of(blanks);
    if (first == std::string_view::npos)
        return {};
    const auto last = s.find_last_not_of(blanks);
    return s.substr(first, last - first + 1);
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (Lower(a[i]) != Lower(b[i]))
            return false;
    }
    return true;
}

void IniDocument::Parse(std::string_view text) {
    lines.clear();
    while (!text.empty()) {
        const auto end = text.find('\n');
        std::string_view raw = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        if (!raw.empty() && raw.back() == '\r')
            raw.remove_suffix(1);
        Line line;
        line.text.assign(raw);
        const std::string_view trimmed = Trim(raw);
        const auto close = trimmed.find(']');
        if (!trimmed.empty() && trimmed.front() == '[' && close != std::string_view::npos) {
            line.kind = Line::Header;
            line.section.assign(Trim(trimmed.substr(1, close - 1)));
        } else if (!trimmed.empty() && trimmed.front() != ';' &&
                   trimmed.find('=') != std::string_view::npos) {
            const auto eq = trimmed.find('=');
            line.kind = Line::Key;
            line.key.assign(Trim(trimmed.substr(0, eq)));
            line.value.assign(Trim(trimmed.substr(eq + 1)));
        }
        lines.push_back(std::move(line));
    }
}

std::vector<std::string> IniDocument::Keys(std::string_view section) const {
    std::vector<std::string> keys;
    bool inside = false;
    for (const Line& line : lines) {
        if (line.kind == Line::Header)
            inside = EqualsNoCase(line.section, section);
        else if (inside && line.kind == Line::Key)
            keys.push_back(line.key);
    }
    return keys;
}

std::string IniDocument::Serialize() const {
    std::string out;
    for (const Line& line : lines) {
        out += line.text;
        out += "\r\n";
    }
    return out;
}

void IniDocument::AppendHeader(std::string_view section) {
    Line head;
    head.kind = Line::Header;
    head.section.assign(section);
    head.text = "[" + head.section + "]";
    lines.push_back(std::move(head));
}

int IniDocument::FindSection(std::string_view section) const {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].kind == Line::Header && EqualsNoCase(lines[i].section, section))
            return static_cast<int>(i);
    }
    return -1;
}

int IniDocument::SectionEnd(int header) const {
    int end = header + 1;
    while (end < static_cast<int>(lines.size()) &&
           lines[static_cast<std::size_t>(end)].kind != Line::Header)
        ++end;
    return end;
}

bool IniDocument::Get(std::string_view section, std::string_view key, std::string* value) const {
    const int header = FindSection(section);
    if (header < 0)
        return false;
    const int end = SectionEnd(header);
    for (int i = header + 1; i < end; ++i) {
        const Line& line = lines[static_cast<std::size_t>(i)];
        if (line.kind == Line::Key && EqualsNoCase(line.key, key)) {
            *value = line.value;
            return true;
        }
    }
    return false;
}

void IniDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
    Line entry;
    entry.kind = Line::Key;
    entry.key.assign(key);
    entry.value.assign(value);
    entry.text = entry.key + "=" + entry.value;

    int header = FindSection(section);
    if (header < 0) {
        AppendHeader(section);
        lines.push_back(std::move(entry));
        return;
    }
    const int end = SectionEnd(header);
    int lastKey = header;
    for (int i = header + 1; i < end; ++i) {
        Line& line = lines[static_cast<std::size_t>(i)];
        if (line.kind == Line::Key && EqualsNoCase(line.key, key)) {
            line.value = entry.value;
            line.text = line.key + "=" + line.value; // the key keeps its spelling
            return;
        }
        if (line.kind == Line::Key)
            lastKey = i;
    }
    lines.insert(lines.begin() + lastKey + 1, std::move(entry));
}

void IniDocument::EmptySection(std::string_view section) {
    const int header = FindSection(section);
    if (header < 0) {
        AppendHeader(section);
        return;
    }
    const int end = SectionEnd(header);
    lines.erase(lines.begin() + header + 1, lines.begin() + end);
}

} // namespace vorlunda
