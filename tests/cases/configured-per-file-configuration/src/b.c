#include <api.h>
#if __STDC_VERSION__ == 199901L && NEXT_SEEN
void c99_with_next(void) {}
#endif
#if defined FEATURE || defined MODE
void leaked_flag(void) {}
#endif
void say(const char *s) { (void)s; }
void b_entry(void) {
  c99_with_next();
  leaked_flag();
  log_call();   /* not real_log: that macro belongs to a.c's configuration */
  say(GREETING);
  say(NAME_OF(b_entry));
}
