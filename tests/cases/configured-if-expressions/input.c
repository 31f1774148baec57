/* Under -c each function below is defined only when its #if holds as C
   says: main calls them all, and the tree shows the ones that exist. */
#define ONE 1
#define ZERO 0
#define EMPTY
#define TWICE(x) ((x) * 2)
#define IS_SET(m) defined(m)

#if defined(ONE) && defined ZERO && !defined(NOPE) && !defined NOPE
void defined_forms(void) {}
#endif
#if 1 + 2 * 3 == 7 && (1 + 2) * 3 == 9 && 1 << 2 + 1 == 8 && 10 - 4 - 3 == 3
void precedence(void) {}
#endif
#if (defined(ONE) && 5 <= 4)
void wrong_left_to_right(void) {}
#endif
#if 0 || 1 && 0
void or_binds_looser(void) {}
#endif
#if 1 ? 0 : 1
void conditional_wrong(void) {}
#elif 0 ? 1 : 2
void conditional(void) {}
#else
void else_wrong(void) {}
#endif
#if -1 < 0u
void signed_compare_wrong(void) {}
#endif
#if -1 < 0 && 0xffffffffffffffff > 0 && (0u - 1) / 2 == 0x7fffffffffffffff && -9 / 2 == -4 && -9 % 2 == -1
void integer_arithmetic(void) {}
#endif
#if 'A' == 65 && '\n' == 10 && '\377' < 0 && '\x41' == 'A' && 'ab' == 24930
void character_constants(void) {}
#endif
#if TWICE(ONE + 1) == 4 && IS_SET(TWICE) && UNKNOWN_NAME == 0 && !UNKNOWN_CALL + 1 == 2
void macros_in_if(void) {}
#endif
#if __has_include(<stddef.h>) && !__has_include("no-such-header.h") && defined __has_include
void has_include(void) {}
#endif
#ifdef ONE
#if ZERO
void nested_wrong(void) {}
#elif ONE
void elif_taken(void) {}
#elif 1 / 0
void elif_not_evaluated(void) {}
#endif
#endif
#ifndef ONE
#else
void else_taken(void) {}
#endif
#if 1 / 0
void division_by_zero(void) {}
#endif
#if (1 + 2
void unbalanced(void) {}
#endif
#if 1 +
void missing_operand(void) {}
#endif
#if 0 && 1 / 0
#else
void unevaluated_division(void) {}
#endif

int main(void) {
  defined_forms(); precedence(); wrong_left_to_right(); or_binds_looser(); conditional_wrong();
  conditional(); else_wrong(); signed_compare_wrong(); integer_arithmetic(); character_constants();
  macros_in_if(); has_include(); nested_wrong(); elif_taken(); elif_not_evaluated(); else_taken();
  division_by_zero(); unbalanced(); missing_operand(); unevaluated_division();
  return 0;
}
