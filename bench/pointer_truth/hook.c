/* Run-time call recorder for a program built with -finstrument-functions:
 * every distinct (callee, call site) pair once, written at exit to the file
 * named by POINTER_TRUTH_OUT (appended, one "callee site" pair of hex
 * addresses a line). The table grows as it fills: no pair is ever dropped.
 * Built as a shared library and preloaded: it stands in for the empty hooks
 * of the C library. */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

#define NOINST __attribute__((no_instrument_function))

static uintptr_t *slots; /* pairs: callee, site; 0 callee = empty */
static size_t cap, used;
static int registered;

static NOINST size_t slot_of(uintptr_t *t, size_t n, uintptr_t fn, uintptr_t site) {
  size_t h = (size_t)((fn * 0x9E3779B97F4A7C15ull) ^ (site * 0xC2B2AE3D27D4EB4Full)) & (n - 1);
  while (t[2 * h] && (t[2 * h] != fn || t[2 * h + 1] != site)) h = (h + 1) & (n - 1);
  return h;
}

static NOINST void dump(void) {
  const char *name = getenv("POINTER_TRUTH_OUT");
  FILE *f = fopen(name && *name ? name : "pointer_truth.txt", "a");
  if (!f) return;
  for (size_t i = 0; i < cap; ++i)
    if (slots[2 * i]) fprintf(f, "%lx %lx\n", (unsigned long)slots[2 * i], (unsigned long)slots[2 * i + 1]);
  fclose(f);
}

static NOINST int grow(void) {
  size_t n = cap ? cap * 2 : 1 << 16;
  uintptr_t *t = calloc(2 * n, sizeof *t);
  if (!t) return 0;
  for (size_t i = 0; i < cap; ++i)
    if (slots[2 * i]) {
      size_t h = slot_of(t, n, slots[2 * i], slots[2 * i + 1]);
      t[2 * h] = slots[2 * i];
      t[2 * h + 1] = slots[2 * i + 1];
    }
  free(slots);
  slots = t;
  cap = n;
  return 1;
}

NOINST void __cyg_profile_func_enter(void *fn, void *site) {
  if (!registered) {
    registered = 1;
    atexit(dump);
  }
  if (2 * (used + 1) > cap && !grow()) return;
  size_t h = slot_of(slots, cap, (uintptr_t)fn, (uintptr_t)site);
  if (!slots[2 * h]) {
    slots[2 * h] = (uintptr_t)fn;
    slots[2 * h + 1] = (uintptr_t)site;
    used++;
  }
}

NOINST void __cyg_profile_func_exit(void *fn, void *site) {
  (void)fn;
  (void)site;
}
