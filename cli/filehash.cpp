#include "cli/filehash.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <openssl/evp.h>
#include <vector>

namespace sscm::cli {

Status sha256File(const std::string& path, std::string& hex) {
    hex.clear();
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(std::fopen(path.c_str(), "rb"), std::fclose);
    if (!f)
        return Status::failed("Cannot open \"" + path + "\": " + std::strerror(errno));
    std::unique_ptr<EVP_MD_CTX, void (*)(EVP_MD_CTX*)> ctx(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    if (!ctx || EVP_DigestInit_ex(ctx.get(), EVP_sha256(), nullptr) != 1)
        return Status::failed("The SHA-256 digest is not available.");
    std::vector<unsigned char> block(std::size_t{1} << 20);
    for (;;) {
        const std::size_t got = std::fread(block.data(), 1, block.size(), f.get());
        if (got > 0 && EVP_DigestUpdate(ctx.get(), block.data(), got) != 1)
            return Status::failed("The SHA-256 digest of \"" + path + "\" failed.");
        if (got < block.size())
            break;
    }
    if (std::ferror(f.get()))
        return Status::failed("Cannot read \"" + path + "\".");
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(ctx.get(), digest, &length) != 1)
        return Status::failed("The SHA-256 digest of \"" + path + "\" failed.");
    static const char kHex[] = "0123456789abcdef";
    for (unsigned int k = 0; k < length; ++k) {
        hex += kHex[digest[k] >> 4];
        hex += kHex[digest[k] & 15];
    }
    return Status::ok();
}

} // namespace sscm::cli
