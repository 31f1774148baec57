#pragma once // guard
static int f(void) { return g(); }
#pragma pack(1) // x
static int k(void) { return g(); }
int main(void) { return f() + k(); }
