/* Not in the database: built as the listed sources of its folder are. */
#include <api.h>
#ifdef FEATURE
void unlisted_has_feature(void) {}
#endif
void c_entry(void) { unlisted_has_feature(); log_call(); }
