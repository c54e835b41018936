#include "high/high.h"
#include "low/low.h"
