#define each_bit(i, mask) do {		\
	unsigned long m_ = (mask);	\
	for (i = 0; i < 8; i++) {	\
		if (!(m_ & (1 << i)))	\
			continue;	\
		{

#define while_each_bit()		\
		}			\
	}				\
} while (0)

static int count_bits(int mask)
{
	int i, n = 0;

	each_bit(i, mask) {
		n += tally(i);
	} while_each_bit();
	return n;
}

void drain(int *lock)
	__acquires(lock)
{
	lock_it(lock);
}

int main(void)
{
	drain(0);
	return count_bits(5);
}
