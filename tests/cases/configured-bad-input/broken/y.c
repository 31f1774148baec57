#ifdef X
void from_broken_flags(void) {}
#endif
int main(void) { from_broken_flags(); return 0; }
