#define CASE_START(title)	\
	asm (		\
	".ascii " #title
#define CASE_END		\
	: : : "memory"		\
	);
#define TEST_F(code) CASE_START(code) CASE_END
#define TEST_B(code) CASE_START(code) CASE_END
#define IN_BLOCK(tests)	\
	flags = 1;	\
	tests		\
	flags = 0;
#define CONDITION(cc, tests)	\
	position = cc;		\
	IN_BLOCK(tests)		\
	position = 0;

static void cases(void)
{
CONDITION(8,
	TEST_F("beq	2f")
	TEST_B("bne	2b")
)
	done();
}

int main(void)
{
	cases();
	return 0;
}
