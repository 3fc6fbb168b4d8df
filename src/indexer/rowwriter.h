#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace indexer {

// One field of a listing: nothing (empty, or null in JSON), text, a whole number, a value (as
// exact as it was read), or a yes/no.
using Cell = std::variant<std::monostate, std::string, int64_t, double, bool>;

// A moment (microseconds since 1970 UTC) as WARC files write dates; nothing for none.
Cell dateCell(std::optional<int64_t> microseconds);

// Writes a listing on standard output as TSV (tabs and line breaks in text become blanks), CSV
// (UTF-8 with a byte-order mark, for spreadsheets) or JSON (an array of objects), under the
// names of its columns.
class RowWriter
{
public:
    RowWriter(std::string format, std::vector<std::string> columns);
    void row(const std::vector<Cell> &cells);
    // Rows of a TSV listing written elsewhere as row() writes them, for listings of millions.
    void tsvRows(std::string_view rows);
    // Closes the listing, and reports on stderr when standard output could not take all of it
    // (a full disk, a closed pipe): false then.
    bool end();

private:
    std::string m_format;
    std::vector<std::string> m_columns;
    int64_t m_rows = 0;
    std::string m_buffer;
};

} // namespace indexer
