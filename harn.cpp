// Anchor of the umbrella library target.
#include "harn.h"
