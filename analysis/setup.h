#pragma once

#include "data/datatable.h"
#include "data/status.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace sscm {

/// Column lookup: the 1-based index of the variable named exactly `name` (every character
/// counts, letter case included), the last one when several bear the name; 0 when none does.
std::int32_t findColumn(const DataTable& table, std::string_view name);

/// The three roles of a run: their variable names and the columns found for them.
struct RoleColumns {
    /// Name of the case (site) variable, from Text1.
    std::string casevar;
    /// Name of the plant-species variable, from Text2.
    std::string spvar;
    /// Name of the local preference intensity variable, from Text4.
    std::string prefvar;
    /// Columns of the three variables in the data table (1-based).
    std::int32_t casecol = 0;
    std::int32_t spcol = 0;
    std::int32_t prefcol = 0;
};

/// Checks the three names in the order case, species, intensity (a name is empty only when it
/// has no characters) and then finds their columns in the same order. Fails at the first empty
/// name or the first name not among the variables, naming the role and the text, and when one
/// variable is given for two roles.
Status findRoleColumns(const DataTable& table, RoleColumns& roles);

} // namespace sscm
