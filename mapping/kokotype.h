// The point record of outlines lives with the alignment geometry in host/, which takes it
// as an argument; mapping code keeps including it from here.
#pragma once

#include "host/kokotype.h"

#include <cstddef>

static_assert(offsetof(kokotype, x) == 0);
static_assert(offsetof(kokotype, y) == 8);
static_assert(offsetof(kokotype, z) == 16);
static_assert(offsetof(kokotype, kod) == 24);
static_assert(sizeof(kokotype) == 32);
