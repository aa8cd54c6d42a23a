#include "analysis/setup.h"

namespace sscm {

std::int32_t findColumn(const DataTable& table, std::string_view name) {
    std::int32_t found = 0;
    for (std::int32_t j = 1; j <= table.valn; ++j) {
        if (table.varname[std::size_t(j - 1)] == name)
            found = j;
    }
    return found;
}

Status findRoleColumns(const DataTable& table, RoleColumns& roles) {
    struct Role {
        const char* what;
        const std::string* name;
        std::int32_t* col;
    };
    const Role list[] = {
        {"case (site)", &roles.casevar, &roles.casecol},
        {"plant species", &roles.spvar, &roles.spcol},
        {"local preference intensity", &roles.prefvar, &roles.prefcol},
    };
    for (const Role& r : list) {
        if (r.name->empty())
            return Status::failed(std::string("No variable is given for the ") + r.what + " role.");
    }
    for (const Role& r : list) {
        *r.col = findColumn(table, *r.name);
        if (*r.col == 0)
            return Status::failed("The " + std::string(r.what) + " variable \"" + *r.name +
                                  "\" is not among the variables of the data file. Names must "
                                  "match exactly, upper and lower case and blanks included.");
    }
    for (std::size_t a = 0; a < 3; ++a) {
        for (std::size_t b = a + 1; b < 3; ++b) {
            if (*list[a].col == *list[b].col)
                return Status::failed(
                    "The variable \"" + *list[a].name + "\" is given for both the " + list[a].what +
                    " and the " + list[b].what + " roles; each role needs a variable of its own.");
        }
    }
    return Status::ok();
}

} // namespace sscm
