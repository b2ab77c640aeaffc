#pragma once
// The status type now lives in base/status.h; this header remains for the callers that have not
// moved to it yet.
#include "base/status.h"
