/* Arithmetic helpers, variables and error reporting. */
#include "calc.h"

static long variables[CALC_MAX_VARS];

long power(long base, long exponent)
{
    long half;

    if (exponent <= 0)
        return 1;
    half = power(base, exponent / 2);
    if (exponent % 2 == 0)
        return half * half;
    return half * half * base;
}

long factorial(long n)
{
    if (n <= 1)
        return 1;
    return n * factorial(n - 1);
}

long variable_get(char name)
{
    return variables[name - 'a'];
}

void variable_set(char name, long value)
{
    variables[name - 'a'] = value;
}

void report_error(int line, const char *message)
{
    fprintf(stderr, "calc: %s (line %d)\n", message, line);
}
