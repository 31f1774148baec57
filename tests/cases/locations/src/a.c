#include "util.h"
/*
 * A comment over
 * several lines
 */
int main(void)
{
    helper(1);   // trailing comment
    after();
    CALL2(1,
          2); tail();
#if 0
    gone();
#endif
    back();
    s = "a\
b"; instr();
#define X \
  1
    lastcall();
    return 0;
}

int
twice
(int x,
 int y)
{ return add(x, x); }
