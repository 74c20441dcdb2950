// A table of Latin-1 cells printed as UTF-8 in aligned columns. Widths are counted in
// Latin-1 bytes, where every byte is one column on screen.
#pragma once

#include <ostream>
#include <string>
#include <vector>

class TextTable {
public:
    enum class Align { left, right };

    explicit TextTable(std::vector<Align> columns, std::string indent = "  ");
    void addRow(std::vector<std::string> cells);
    void print(std::ostream& out) const;

private:
    std::vector<Align> alignment;
    std::string indent;
    std::vector<std::vector<std::string>> rows;
};
