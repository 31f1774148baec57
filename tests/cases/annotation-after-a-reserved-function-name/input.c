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

int main(void)
{
	u64 t = __prog_enter(0, 0);
	__run(0);
	__prog_exit(0, t);
	return 0;
}
