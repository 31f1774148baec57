void q(void) { r('a); }
