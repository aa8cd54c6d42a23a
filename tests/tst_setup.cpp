#include "analysis/setup.h"
#include "analysis_fixtures.h"

#include <gtest/gtest.h>

namespace {

using sscm::test::makeTable;

TEST(FindColumn, ExactNameAndTheLastOfEqualNames) {
    const auto t = makeTable({"Site", "Pref", "site", "Pref", "Site "}, {});
    EXPECT_EQ(sscm::findColumn(*t, "Site"), 1);
    EXPECT_EQ(sscm::findColumn(*t, "site"), 3);
    EXPECT_EQ(sscm::findColumn(*t, "Pref"), 4);
    EXPECT_EQ(sscm::findColumn(*t, "Site "), 5);
    EXPECT_EQ(sscm::findColumn(*t, "SITE"), 0);
    EXPECT_EQ(sscm::findColumn(*t, " "), 0);
}

TEST(FindRoleColumns, EmptyNamesAreTestedBeforeAnyLookupInRoleOrder) {
    const auto t = makeTable({"Site", "Species", "Pref"}, {});
    sscm::RoleColumns roles{"Nope", "", "", 0, 0, 0};
    sscm::Status st = sscm::findRoleColumns(*t, roles);
    ASSERT_FALSE(st);
    EXPECT_NE(st.message.find("plant species"), std::string::npos) << st.message;
    EXPECT_EQ(roles.casecol, 0);

    roles = {"Site", "Species", "", 0, 0, 0};
    st = sscm::findRoleColumns(*t, roles);
    EXPECT_NE(st.message.find("local preference intensity"), std::string::npos) << st.message;
}

TEST(FindRoleColumns, NameNotFoundIsQuotedWithItsLetterCase) {
    const auto t = makeTable({"Site", "Species", "Pref"}, {});
    sscm::RoleColumns roles{"Site", "species", "Pref", 0, 0, 0};
    const sscm::Status st = sscm::findRoleColumns(*t, roles);
    ASSERT_FALSE(st);
    EXPECT_NE(st.message.find("\"species\""), std::string::npos) << st.message;
    EXPECT_NE(st.message.find("exactly"), std::string::npos) << st.message;
    EXPECT_EQ(roles.casecol, 1);
    EXPECT_EQ(roles.prefcol, 0); // the lookups stop at the first name not found
}

TEST(FindRoleColumns, OneVariableIsRefusedForTwoRoles) {
    const auto t = makeTable({"Site", "Species", "Pref"}, {});
    sscm::RoleColumns roles{"Site", "Species", "Site", 0, 0, 0};
    EXPECT_EQ(sscm::findRoleColumns(*t, roles).message,
              "The variable \"Site\" is given for both the case (site) and the local preference "
              "intensity roles; each role needs a variable of its own.");
    roles = {"Site", "Species", "Species", 0, 0, 0};
    EXPECT_NE(sscm::findRoleColumns(*t, roles).message.find("plant species and the local"),
              std::string::npos);
}

} // namespace
