#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace archive {

// Whether a and b are the same but for the case of ASCII letters, as field names and coding
// names are compared in WARC and HTTP.
bool equalsIgnoringCase(std::string_view a, std::string_view b);

// text without the blanks (spaces, tabs) around it.
std::string_view trimmed(std::string_view text);

// Where a header (a start line and its field lines) ends in text: its lines run up to fieldsEnd,
// and what follows the blank line after them starts at bodyStart. Lines end in CRLF or a bare LF.
// Searching resumes at from, so that a header arriving in pieces is not scanned again.
struct HeaderEnd
{
    std::size_t fieldsEnd;
    std::size_t bodyStart;
};
std::optional<HeaderEnd> findHeaderEnd(std::string_view text, std::size_t from = 0);

// The named fields of a WARC or HTTP header, "Name: value" lines, the values trimmed of blanks.
// Repeated fields are all kept, in order.
class HeaderFields
{
public:
    struct Field
    {
        std::string_view name;
        std::string_view value;
    };

    // Reads the field lines of text (the start line and the blank line not included). A line
    // starting with a blank continues the field before it (obsolete folding): its line break is
    // overwritten with spaces in place, as HTTP allows, so that every value is one view into
    // text, which must outlive this. Returns the offset of the first line that is no field, or
    // npos when there is none; such lines are left out.
    std::size_t parse(std::span<char> text);

    // The first field of that name, whatever the case.
    std::optional<std::string_view> get(std::string_view name) const;
    const std::vector<Field> &all() const { return m_fields; }

private:
    std::vector<Field> m_fields;
};

} // namespace archive
