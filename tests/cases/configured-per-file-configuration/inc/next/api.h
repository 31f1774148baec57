#include_next <api.h>
#define NEXT_SEEN 1
