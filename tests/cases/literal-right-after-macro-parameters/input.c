#define pr_fmt(fmt)"[dp] %s: " fmt, __func__
#define F(x)" " x

static void report(int v)
{
	pr_info(pr_fmt("value %d\n"), v);
}

int main(void)
{
	report(1);
	puts(F("done"));
	return 0;
}
