#include "data/category.h"
#include "random_draws.h"
#include "recording_window.h"

#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using sscm::Ctl;
using sscm::test::RecordingWindow;

struct Tab {
    sscm::Status status;
    std::int32_t categnum = -1;
    std::vector<std::string_view> categtype;
    std::vector<std::int32_t> categfreq;
    std::vector<std::int32_t> rowcat;
};

Tab tabulate(RecordingWindow& w, const std::vector<std::string_view>& values, std::int32_t maxn) {
    Tab t;
    t.categtype.assign(std::size_t(maxn), "unset");
    t.categfreq.assign(std::size_t(maxn), -9);
    t.status = sscm::category(w, "Species", std::int32_t(values.size()), values, t.categnum,
                              t.categtype, t.categfreq, maxn, &t.rowcat);
    return t;
}

using Views = std::vector<std::string_view>;
using Ints = std::vector<std::int32_t>;

TEST(Category, FirstAppearanceOrderAndCounts) {
    RecordingWindow w;
    const Tab t = tabulate(w, {"b", "a", "b", "c", "a", "b"}, 6);
    ASSERT_TRUE(t.status.isOk());
    EXPECT_EQ(t.categnum, 3);
    EXPECT_EQ(Views(t.categtype.begin(), t.categtype.begin() + 3), (Views{"b", "a", "c"}));
    EXPECT_EQ(Ints(t.categfreq.begin(), t.categfreq.begin() + 3), (Ints{3, 2, 1}));
    EXPECT_EQ(t.rowcat, (Ints{0, 1, 0, 2, 1, 0}));
    // Entries above categnum are left as the caller made them.
    EXPECT_EQ(t.categtype[3], "unset");
    EXPECT_EQ(t.categfreq[5], -9);
}

TEST(Category, ExactByteComparison) {
    RecordingWindow w;
    const Tab t = tabulate(w, {"Site1", "site1", "a", "a ", "1", "1.0", " a"}, 7);
    EXPECT_EQ(t.categnum, 7);
}

TEST(Category, CapacityExactlyReached) {
    RecordingWindow w;
    const Tab t = tabulate(w, {"x", "y", "x", "y"}, 2);
    ASSERT_TRUE(t.status.isOk());
    EXPECT_EQ(t.categnum, 2);
    EXPECT_EQ(Ints(t.categfreq), (Ints{2, 2}));
    EXPECT_NE(w.captions[Ctl::Label11], "Too many categories");
}

TEST(Category, CapacityOverflowIsAFailure) {
    RecordingWindow w;
    const Tab t = tabulate(w, {"x", "y", "z"}, 2);
    EXPECT_EQ(t.status.code, sscm::Status::Code::Failed);
    EXPECT_NE(t.status.message.find("Species"), std::string::npos) << t.status.message;
    EXPECT_NE(t.status.message.find("data row 3"), std::string::npos) << t.status.message;
    EXPECT_EQ(w.captions[Ctl::Label11], "Too many categories");
    EXPECT_LE(t.categnum, 2);
}

TEST(Category, NoValues) {
    RecordingWindow w;
    const Tab t = tabulate(w, {}, 3);
    ASSERT_TRUE(t.status.isOk());
    EXPECT_EQ(t.categnum, 0);
    EXPECT_EQ(t.categtype, (Views{"unset", "unset", "unset"}));
    EXPECT_TRUE(t.rowcat.empty());
}

TEST(Category, MissingValuesAreACategory) {
    RecordingWindow w;
    const Tab t = tabulate(w, {"null", "Poa", "null"}, 3);
    EXPECT_EQ(t.categnum, 2);
    EXPECT_EQ(t.categtype[0], "null");
    EXPECT_EQ(t.categfreq[0], 2);
}

TEST(Category, RowcatIsOptional) {
    RecordingWindow w;
    const Views values{"p", "q", "p"};
    std::int32_t n = 0;
    Views type(3);
    Ints freq(3);
    ASSERT_TRUE(sscm::category(w, "v", 3, values, n, type, freq, 3).isOk());
    EXPECT_EQ(n, 2);
}

// Many values and categories, through the table's growth: the same result as a linear
// scan.
TEST(Category, SameAsLinearScan) {
    std::mt19937 rng(99);
    for (int distinct : {1, 5, 100, 5000}) {
        sscm::test::UniformInt pick(0, distinct - 1);
        std::vector<std::string> store;
        for (int i = 0; i < 20000; ++i)
            store.push_back("v" + std::to_string(pick(rng)));
        const Views values(store.begin(), store.end());

        Views wantType;
        Ints wantFreq;
        for (std::string_view v : values) {
            std::size_t k = 0;
            while (k < wantType.size() && wantType[k] != v)
                ++k;
            if (k == wantType.size()) {
                wantType.push_back(v);
                wantFreq.push_back(1);
            } else {
                ++wantFreq[k];
            }
        }

        RecordingWindow w;
        Tab t = tabulate(w, values, std::int32_t(values.size()));
        ASSERT_TRUE(t.status.isOk());
        ASSERT_EQ(t.categnum, std::int32_t(wantType.size()));
        t.categtype.resize(wantType.size());
        t.categfreq.resize(wantType.size());
        EXPECT_EQ(t.categtype, wantType);
        EXPECT_EQ(t.categfreq, wantFreq);
        for (std::size_t i = 0; i < values.size(); ++i)
            ASSERT_EQ(t.categtype[std::size_t(t.rowcat[i])], values[i]);
    }
}

} // namespace
