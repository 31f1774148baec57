int f(void) { return g(); }
int main(void) { f(); return 0; }
