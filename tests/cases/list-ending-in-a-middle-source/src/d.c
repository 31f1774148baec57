void w(void) { x(); }
