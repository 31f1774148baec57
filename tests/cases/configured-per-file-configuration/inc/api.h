#ifndef API_H
#define API_H
#ifdef FEATURE
/* Only the sources built with FEATURE log through the real function. */
#define log_call real_log
#endif
#define CALL_IMPL(name) name##_impl()
#define NAME_OF(f) #f
static inline void api_inline(void) { CALL_IMPL(api); }
#endif
