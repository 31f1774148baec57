#include "local.h"
#include "local.h"
#include <api.h>
#define HEADER "chosen.h"
#include HEADER
#if MODE == 2 && defined FEATURE && FORCED
void configured_a(void) {}
#endif
#ifdef NEXT_SEEN
void wrong_next(void) {}
#endif
void real_log(void) {}
void api_impl(void) {}
void a_impl(void) {}
int main(void) {
  local_helper();
  from_quote_folder();
  configured_a();
  wrong_next();
  log_call();
  CALL_IMPL(a);
  b_entry();
  c_entry();
  return 0;
}
