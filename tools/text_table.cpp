#include "text_table.h"

#include "printable_text.h"

#include <algorithm>

TextTable::TextTable(std::vector<Align> columns, std::string indent)
    : alignment(std::move(columns)), indent(std::move(indent)) {}

void TextTable::addRow(std::vector<std::string> cells) {
    cells.resize(alignment.size());
    rows.push_back(std::move(cells));
}

void TextTable::print(std::ostream& out) const {
    std::vector<std::size_t> widths(alignment.size(), 0);
    for (const auto& row : rows)
        for (std::size_t c = 0; c < row.size(); ++c)
            widths[c] = std::max(widths[c], row[c].size());

    for (const auto& row : rows) {
        std::string line = indent;
        for (std::size_t c = 0; c < row.size(); ++c) {
            const std::string padding(widths[c] - row[c].size(), ' ');
            const bool last = c + 1 == row.size();
            if (alignment[c] == Align::right)
                line += padding + row[c];
            else
                line += last ? row[c] : row[c] + padding;
            if (!last) line += "  ";
        }
        line.erase(line.find_last_not_of(' ') + 1);
        out << latin1ToUtf8(line) << '\n';
    }
}
