#include "cycle.h"
