// The field reader on arbitrary bytes: reading from memory and reading from a file through a
// tiny block (so that every field, quote and line end falls across block boundaries) must give
// the same fields, and never more fields than the input has bytes plus one.

#include "data/fieldreader.h"
#include "fuzz_common.h"

#include <cstdint>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using sscm::fuzz::require;
    const std::string text(reinterpret_cast<const char*>(data), size);

    std::vector<std::string> fromMemory;
    {
        sscm::FieldReader reader{std::string_view(text)};
        std::string_view field;
        while (reader.next(field)) {
            fromMemory.emplace_back(field);
            require(fromMemory.size() <= size + 1, "more fields than bytes");
        }
        require(!reader.next(field), "a field after the end");
    }

    std::string copy = text; // fmemopen needs a writable buffer
    std::FILE* f = ::fmemopen(copy.empty() ? nullptr : copy.data(), copy.size(), "rb");
    if (f == nullptr)
        return 0;
    const std::size_t block = 1 + (size % 5);
    sscm::FieldReader reader(f, block);
    std::string_view field;
    std::size_t k = 0;
    while (reader.next(field)) {
        require(k < fromMemory.size(), "the file gives more fields");
        require(field == fromMemory[k], "the file gives another field");
        ++k;
    }
    require(k == fromMemory.size(), "the file gives fewer fields");
    require(!reader.ioError(), "read error from memory");
    std::fclose(f);
    return 0;
}
