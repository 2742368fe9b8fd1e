#include "time_math.h"
