#include "names.h"

#include <R_ext/Riconv.h>
#include <cerrno>

namespace sscm {

NameDecoder::NameDecoder(TextEncoding names) : encoding_(names) {
    if (encoding_ == TextEncoding::Cp932) {
        cd_ = Riconv_open("UTF-8", "CP932");
        if (cd_ == reinterpret_cast<void*>(-1)) {
            // No CP932 converter here: the bytes are shown one by one, as Latin-1.
            cd_ = nullptr;
            encoding_ = TextEncoding::Latin1;
        }
    }
}

NameDecoder::~NameDecoder() {
    if (cd_ != nullptr)
        Riconv_close(cd_);
}

SEXP NameDecoder::operator()(std::string_view name) const {
    switch (encoding_) {
    case TextEncoding::Utf8:
        return Rf_mkCharLenCE(name.data(), int(name.size()), CE_UTF8);
    case TextEncoding::Cp932: {
        // CP932 needs at most 3 bytes of UTF-8 per byte.
        buf_.resize(name.size() * 3 + 4);
        Riconv(cd_, nullptr, nullptr, nullptr, nullptr);
        const char* in = name.data();
        std::size_t inLeft = name.size();
        char* out = buf_.data();
        std::size_t outLeft = buf_.size();
        if (Riconv(cd_, &in, &inLeft, &out, &outLeft) != std::size_t(-1) && inLeft == 0)
            return Rf_mkCharLenCE(buf_.data(), int(buf_.size() - outLeft), CE_UTF8);
        // A name the converter rejects is shown byte for byte.
        const std::string utf8 = latin1ToUtf8(name);
        return Rf_mkCharLenCE(utf8.data(), int(utf8.size()), CE_UTF8);
    }
    case TextEncoding::Latin1: {
        const std::string utf8 = latin1ToUtf8(name);
        return Rf_mkCharLenCE(utf8.data(), int(utf8.size()), CE_UTF8);
    }
    }
    return R_BlankString;
}

SEXP NameDecoder::vector(const std::vector<std::string>& names) const {
    SEXP v = PROTECT(Rf_allocVector(STRSXP, R_xlen_t(names.size())));
    for (std::size_t i = 0; i < names.size(); ++i)
        SET_STRING_ELT(v, R_xlen_t(i), (*this)(names[i]));
    UNPROTECT(1);
    return v;
}

SEXP failure(const std::string& message) {
    // A message is no table's: its own bytes decide.
    const NameDecoder decode(guessEncoding(message));
    SEXP out = PROTECT(Rf_allocVector(VECSXP, 2));
    SET_VECTOR_ELT(out, 0, Rf_mkString("failed"));
    SET_VECTOR_ELT(out, 1, Rf_ScalarString(decode(message)));
    SEXP names = PROTECT(Rf_allocVector(STRSXP, 2));
    SET_STRING_ELT(names, 0, Rf_mkChar("status"));
    SET_STRING_ELT(names, 1, Rf_mkChar("message"));
    Rf_setAttrib(out, R_NamesSymbol, names);
    UNPROTECT(2);
    return out;
}

} // namespace sscm
