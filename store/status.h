#pragma once
// The store's Status is the engines' one Status (base/status.h); this header stays until every
// caller includes that one directly.
#include "base/status.h"
