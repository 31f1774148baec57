#include "cycle.h"
#include <no-such-header.h>
#define D(x) x x
#define HUGE D(D(D(D(D(D(D(D(D(D(D(D(D(D(D(D(D(D(D(D(D(D(D(D(D(boom)))))))))))))))))))))))))
#define SELF SELF + 1
#if SELF
#endif
#if defined
#endif
#if 1 2
#endif
void after_all(void) {}
int main(void) {
  HUGE;
  after_all();
  unclosed(
  return 0;
}
