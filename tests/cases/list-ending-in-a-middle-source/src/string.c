void h(void) { k(); }
char *s = "abc;
void z(void) {}
