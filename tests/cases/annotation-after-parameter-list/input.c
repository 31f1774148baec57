int g(void) { return 1; }
static int lock_it(int *p)
	__acquires(p)
{
	return g();
}
static void unlock_both(int *p, int *q)
	__releases(p) __releases(q)
{
	g();
}
int proto(int *p) __must_hold(p);
int __attribute__((noinline)) foo(int x) { return g(); }
int __attribute__((noinline)) __bar(int x) { return g(); }
weak_alias (a, b)
int
__baz (void)
{
	return g();
}
ElfW(Addr)
__resolve (ElfW(Word) off)
{
	return g();
}
int main(void)
{
	unlock_both(0, 0);
	return lock_it(0) + foo(1) + __bar(2) + __baz() + __resolve(0);
}
