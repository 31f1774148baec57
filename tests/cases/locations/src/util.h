/* a header with a function of its own */
static int helper(int x)
{
    return twice(x);
}
#define CALL2(a, b) \
    first(a); second(b)
