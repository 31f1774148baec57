static int inner(void);
static int helper(void)
{
    inner();
    return run();
}
static int inner(void)
{
    return 0;
}
int main(void)
{
    helper();
    entry();
    return 0;
}
