#include "data/normalize.h"

namespace sscm {} // namespace sscm
