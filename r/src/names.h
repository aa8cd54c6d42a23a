#pragma once

#include "data/textencoding.h"

#include <Rinternals.h>
#include <string>
#include <string_view>
#include <vector>

namespace sscm {

/// Turns the names of one data set into R strings marked UTF-8, decoded in the encoding decided
/// for its table when it was loaded (DataTable::encoding), as the window and run.json show them.
class NameDecoder {
public:
    explicit NameDecoder(TextEncoding names);
    ~NameDecoder();
    NameDecoder(const NameDecoder&) = delete;
    NameDecoder& operator=(const NameDecoder&) = delete;

    TextEncoding encoding() const { return encoding_; }
    /// A CHARSXP in UTF-8 (unprotected).
    SEXP operator()(std::string_view name) const;
    /// A character vector of `names`.
    SEXP vector(const std::vector<std::string>& names) const;

private:
    TextEncoding encoding_;
    void* cd_ = nullptr; // iconv descriptor CP932 -> UTF-8
    mutable std::string buf_;
};

/// What the R functions raise as an error: list(status = "failed", message), the message in
/// UTF-8 (it may quote names of the data in their own encoding).
SEXP failure(const std::string& message);

} // namespace sscm
