#include "data/category.h"

#include <functional>
#include <stdexcept>

namespace sscm {

namespace {

/// Open-addressing table from a value's bytes to its category index, linear probing, kept at
/// most half full. Slots hold the category index + 1 (0: free); the hashes of the categories
/// are kept so that growing never hashes a value twice.
class CategoryIndex {
public:
    CategoryIndex() : slots_(64, 0), mask_(63) {}

    /// Index of `v` among the categories, or -1; `h` is its hash.
    std::int32_t find(std::string_view v, std::size_t h,
                      const std::vector<std::string_view>& categtype) const {
        for (std::size_t i = h & mask_;; i = (i + 1) & mask_) {
            const std::uint32_t s = slots_[i];
            if (s == 0)
                return -1;
            const std::int32_t k = std::int32_t(s - 1);
            if (hashes_[std::size_t(k)] == h && categtype[std::size_t(k)] == v)
                return k;
        }
    }

    void insert(std::int32_t k, std::size_t h) {
        hashes_.push_back(h);
        if (hashes_.size() * 2 > slots_.size())
            grow();
        else
            place(k, h);
    }

private:
    std::vector<std::uint32_t> slots_;
    std::size_t mask_;
    std::vector<std::size_t> hashes_;

    void place(std::int32_t k, std::size_t h) {
        std::size_t i = h & mask_;
        while (slots_[i] != 0)
            i = (i + 1) & mask_;
        slots_[i] = std::uint32_t(k) + 1;
    }
    void grow() {
        slots_.assign(slots_.size() * 2, 0);
        mask_ = slots_.size() - 1;
        for (std::size_t k = 0; k < hashes_.size(); ++k)
            place(std::int32_t(k), hashes_[k]);
    }
};

} // namespace

Status category(Window& w, std::string_view vname, std::int32_t datan,
                const std::vector<std::string_view>& datavalue, std::int32_t& categnum,
                std::vector<std::string_view>& categtype, std::vector<std::int32_t>& categfreq,
                std::int32_t maxn, std::vector<std::int32_t>* rowcat) {
    Status st = category(vname, datan, datavalue, categnum, categtype, categfreq, maxn, rowcat);
    if (!st)
        w.setCaption(Ctl::Label11, "Too many categories");
    return st;
}

Status category(std::string_view vname, std::int32_t datan,
                const std::vector<std::string_view>& datavalue, std::int32_t& categnum,
                std::vector<std::string_view>& categtype, std::vector<std::int32_t>& categfreq,
                std::int32_t maxn, std::vector<std::int32_t>* rowcat,
                const std::function<bool()>& tick) {
    categnum = 0;
    if (datan < 0 || std::size_t(datan) > datavalue.size())
        throw std::invalid_argument("category: datan exceeds the values given");
    if (rowcat != nullptr)
        rowcat->assign(std::size_t(datan), -1);
    if (datan == 0)
        return Status::ok();

    const std::hash<std::string_view> hasher;
    CategoryIndex index;
    for (std::int32_t i = 0; i < datan; ++i) {
        if (tick && i % kCategoryTick == 0 && !tick())
            return Status::cancelled();
        const std::string_view v = datavalue[std::size_t(i)];
        const std::size_t h = hasher(v);
        std::int32_t k = index.find(v, h, categtype);
        if (k >= 0) {
            ++categfreq[std::size_t(k)];
        } else {
            if (categnum >= maxn) {
                std::string msg = "Too many categories in the variable \"" + std::string(vname) +
                                  "\": more than " + std::to_string(maxn) +
                                  " distinct values (data row " + std::to_string(i + 1) + ").";
                return Status::failed(msg);
            }
            k = categnum++;
            if (std::size_t(k) >= categtype.size() || std::size_t(k) >= categfreq.size())
                throw std::out_of_range("category: categtype or categfreq smaller than maxn");
            categtype[std::size_t(k)] = v;
            categfreq[std::size_t(k)] = 1;
            index.insert(k, h);
        }
        if (rowcat != nullptr)
            (*rowcat)[std::size_t(i)] = k;
    }
    return Status::ok();
}

} // namespace sscm
