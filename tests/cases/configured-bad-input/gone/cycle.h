#include "cycle.h"
#include "cycle.h"
