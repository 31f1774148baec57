/* Callbacks: through parameters passed on, a cycle of them, pointer
   variables local and global, and functions handed to the library. */
#include <stdlib.h>

typedef void (*handler_t)(int);
static void on_start(int x) { (void)x; }
static void on_stop(int x) { (void)x; }
static void log_a(int x) { (void)x; }
static int by_value(const void *a, const void *b) { return a != b; }
static handler_t current;

static void fire(handler_t h, int n) { h(n); }
static void relay(handler_t h, int n) { fire(h, n); }
static void ping(handler_t h, int n);
static void pong(handler_t h, int n) { if (n) ping(h, n - 1); else (*h)(n); }
static void ping(handler_t h, int n) { pong(h, n); }

void set_handler(void) { current = on_stop; }

/* A parameter kept in a member, a member's value kept in a variable, and
   a global assigned in another file (other.c), called in parentheses as
   macros write it. */
struct ctx { handler_t cb; };
handler_t shared;
static void ctx_init(struct ctx *c, handler_t h) { c->cb = h; }
static void ctx_fire(struct ctx *c) {
  handler_t later = c->cb;
  c->cb(1);
  later(2);
  (shared)(3);
}

int main(void) {
  void (*local)(int) = &log_a;
  int v[2] = {1, 2};
  relay(on_start, 1);
  ping(on_stop, 3);
  local(0);
  set_handler();
  current(1);
  qsort(v, 2, sizeof v[0], by_value);
  struct ctx c;
  ctx_init(&c, log_a);
  ctx_fire(&c);
  return 0;
}
