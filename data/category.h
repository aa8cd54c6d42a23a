#pragma once

#include "data/status.h"
#include "data/window.h"

#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

namespace sscm {

/// Tabulates `datavalue`: `categtype` receives the distinct values in order of first appearance
/// and `categfreq` how often each occurs; `categnum` their number. Values are equal only when
/// identical byte for byte. The vectors are 0-based (entry k-1 holds category k) and sized by the
/// caller to at least `maxn`; entries above categnum are left as they were. When `rowcat` is not
/// null it receives, for each value, the 0-based index of its category. A value that would
/// become distinct value number maxn + 1 sets Label11 to "Too many categories" and is returned
/// as a failure. Found through a hash table, not a linear scan.
Status category(Window& w, std::string_view vname, std::int32_t datan,
                const std::vector<std::string_view>& datavalue, std::int32_t& categnum,
                std::vector<std::string_view>& categtype, std::vector<std::int32_t>& categfreq,
                std::int32_t maxn, std::vector<std::int32_t>* rowcat = nullptr);

/// The same tabulation without a window: a capacity overflow is only returned as a failure.
/// `tick`, when given, is called every kCategoryTick values; once it returns false the
/// tabulation stops as cancelled.
Status category(std::string_view vname, std::int32_t datan,
                const std::vector<std::string_view>& datavalue, std::int32_t& categnum,
                std::vector<std::string_view>& categtype, std::vector<std::int32_t>& categfreq,
                std::int32_t maxn, std::vector<std::int32_t>* rowcat = nullptr,
                const std::function<bool()>& tick = {});

/// Values tabulated between two calls of category's tick: a few milliseconds' work.
inline constexpr std::int32_t kCategoryTick = 16384;

} // namespace sscm
