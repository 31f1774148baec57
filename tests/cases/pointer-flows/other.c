typedef void (*handler_t)(int);
extern handler_t shared;
void on_other(int x) { (void)x; }
void setup_shared(void) { shared = on_other; }
