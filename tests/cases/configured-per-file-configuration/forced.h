#define FORCED 1
