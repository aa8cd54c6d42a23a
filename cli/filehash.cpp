#include "cli/filehash.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>
#if defined(_WIN32)
#include <windows.h>
// After windows.h, which it needs.
#include <bcrypt.h>
#else
#include <openssl/evp.h>
#endif

namespace sscm::cli {

namespace {

std::string toHex(const unsigned char* digest, std::size_t length) {
    static const char kHex[] = "0123456789abcdef";
    std::string hex;
    for (std::size_t k = 0; k < length; ++k) {
        hex += kHex[digest[k] >> 4];
        hex += kHex[digest[k] & 15];
    }
    return hex;
}

} // namespace

#if defined(_WIN32)

// Windows' own cryptography (CNG), present on every Windows since Vista.
Status sha256File(const std::string& path, std::string& hex) {
    hex.clear();
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(std::fopen(path.c_str(), "rb"), std::fclose);
    if (!f)
        return Status::failed("Cannot open \"" + path + "\": " + std::strerror(errno));
    BCRYPT_ALG_HANDLE alg = nullptr;
    if (!BCRYPT_SUCCESS(::BCryptOpenAlgorithmProvider(&alg, BCRYPT_SHA256_ALGORITHM, nullptr, 0)))
        return Status::failed("The SHA-256 digest is not available.");
    std::unique_ptr<void, void (*)(void*)> algorithm(
        alg, [](void* a) { ::BCryptCloseAlgorithmProvider(a, 0); });
    BCRYPT_HASH_HANDLE h = nullptr;
    if (!BCRYPT_SUCCESS(::BCryptCreateHash(alg, &h, nullptr, 0, nullptr, 0, 0)))
        return Status::failed("The SHA-256 digest is not available.");
    std::unique_ptr<void, void (*)(void*)> hash(h, [](void* p) { ::BCryptDestroyHash(p); });
    std::vector<unsigned char> block(std::size_t{1} << 20);
    for (;;) {
        const std::size_t got = std::fread(block.data(), 1, block.size(), f.get());
        if (got > 0 && !BCRYPT_SUCCESS(::BCryptHashData(h, block.data(), ULONG(got), 0)))
            return Status::failed("The SHA-256 digest of \"" + path + "\" failed.");
        if (got < block.size())
            break;
    }
    if (std::ferror(f.get()))
        return Status::failed("Cannot read \"" + path + "\".");
    unsigned char digest[32];
    if (!BCRYPT_SUCCESS(::BCryptFinishHash(h, digest, sizeof digest, 0)))
        return Status::failed("The SHA-256 digest of \"" + path + "\" failed.");
    hex = toHex(digest, sizeof digest);
    return Status::ok();
}

#else

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
    hex = toHex(digest, length);
    return Status::ok();
}

#endif

} // namespace sscm::cli
