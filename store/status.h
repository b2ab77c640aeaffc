#pragma once
// The engines' one Status is base/status.h; this header remains for the diary's files that
// still include it.
#include "base/status.h"
