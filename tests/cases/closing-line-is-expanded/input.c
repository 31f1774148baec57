#define CHECK(x) validate(x)
#define BLOCK(x) ({ inner(x); })
#define BEGIN {
int validate(int v) { return v; }
int one(int v) { return CHECK(v); }
int two(int v) { return BLOCK(v); }
int three(int v)
{
	if (v) {
		v++;
	} CHECK(v); }
void four(void) { BEGIN validate(4); }
int after(void) { return 0; }
int main(void) { return one(1) + two(2) + three(3) + after(); }
