typedef unsigned long long u64;

u64 notrace __prog_enter(struct prog *prog, struct run_ctx *ctx)
	__acquires(RCU)
{
	rcu_read_lock();
	return start_time();
}

void notrace __prog_exit(struct prog *prog, u64 start)
	__releases(RCU)
{
	rcu_read_unlock();
}

static int __attribute__((noinline)) __run(struct prog *prog) __must_hold(RCU)
{
	return prog_run(prog);
}

/* A prototype left pending by a word after its ")" has no say. */
extern int modifier_wc (const unsigned int **format) attribute_hidden;
size_t
#ifdef WIDE
__spec_wc (const unsigned int *format)
#else
__spec_mb (const unsigned char *format)
#endif
{
	return parse(format);
}

/* Macro calls side by side: the body goes with the last. */
__mathop (__acos, acos,)
__mathop (__asin, asin,)

__defun (double, __rem, (double __x, double __y),)
{
	return frem(__x, __y);
}

int main(void)
{
	__spec_mb(0);
	__defun(1.0);
	u64 t = __prog_enter(0, 0);
	__run(0);
	__prog_exit(0, t);
	return 0;
}
