#define RUN(fn, x) fn(x)
#define AP(f) f(f)
int twice(int v) { return 2 * v; }
int main(void)
{
	int r = RUN(twice, 3);
	AP(g);
	return r;
}
