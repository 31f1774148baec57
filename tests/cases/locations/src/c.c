#define TWO(x) do {		\
	one(x);			\
	two(x);			\
} while (0)

void f(void)
{
	TWO(1);
	TWO(2);
	three();
}
