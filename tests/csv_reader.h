#pragma once

#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace sscm::test {

/// A table read from CSV text by RFC 4180: fields separated by commas, records by LF or CR LF,
/// a field in double quotes may hold commas, line breaks and doubled quotes.
struct Csv {
    std::vector<std::string> header;
    std::vector<std::vector<std::string>> rows;

    /// Column index of a header name; throws when missing.
    std::size_t col(const std::string& name) const {
        for (std::size_t k = 0; k < header.size(); ++k)
            if (header[k] == name)
                return k;
        throw std::runtime_error("no column " + name);
    }
};

inline Csv readCsv(const std::string& text) {
    std::vector<std::vector<std::string>> records;
    std::vector<std::string> record;
    std::string field;
    bool quoted = false;
    bool any = false;
    for (std::size_t k = 0; k < text.size(); ++k) {
        const char c = text[k];
        if (quoted) {
            if (c == '"' && k + 1 < text.size() && text[k + 1] == '"') {
                field += '"';
                ++k;
            } else if (c == '"') {
                quoted = false;
            } else {
                field += c;
            }
            continue;
        }
        any = true;
        if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            record.push_back(field);
            field.clear();
        } else if (c == '\n' || c == '\r') {
            if (c == '\r' && k + 1 < text.size() && text[k + 1] == '\n')
                ++k;
            record.push_back(field);
            field.clear();
            records.push_back(record);
            record.clear();
            any = false;
        } else {
            field += c;
        }
    }
    if (quoted)
        throw std::runtime_error("unterminated quoted field");
    if (any) {
        record.push_back(field);
        records.push_back(record);
    }
    Csv csv;
    if (!records.empty()) {
        csv.header = records.front();
        csv.rows.assign(records.begin() + 1, records.end());
    }
    for (const auto& r : csv.rows)
        if (r.size() != csv.header.size())
            throw std::runtime_error("record of " + std::to_string(r.size()) + " fields");
    return csv;
}

} // namespace sscm::test
