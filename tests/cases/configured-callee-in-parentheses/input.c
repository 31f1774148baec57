/* A macro that takes the function to call writes it in parentheses; a cast
   and a pointer in the same place are no calls. An enum tag named as a
   function is no variable for -p. */
typedef unsigned long vma;
extern unsigned long get_signed (const unsigned char *, unsigned int);
extern unsigned long (*get) (const unsigned char *, unsigned int);
#define GET(V, P, FUNC) do { (V) = (FUNC) ((P), 1); } while (0)
enum reloc_name { R_NONE, R_ONE };
static const char *reloc_name (unsigned long r);

unsigned long get_unsigned (const unsigned char *p, unsigned int n) { return p[0] + n; }
static const char *reloc_name (unsigned long r) { return r ? "one" : "none"; }

int main (void)
{
  unsigned char b[2] = {0, 0};
  unsigned long v;
  GET (v, b, get_signed);
  GET (v, b, get_unsigned);
  GET (v, b, get);
  v = (vma) (v + 1);
  reloc_name (v);
  return 0;
}
