#include "data/category.h"

namespace sscm {} // namespace sscm
