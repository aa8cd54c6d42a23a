#include "data/datatable.h"

namespace sscm {} // namespace sscm
