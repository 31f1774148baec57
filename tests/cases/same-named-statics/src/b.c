static int helper(void)
{
    return other();
}
int run(void)
{
    return helper();
}
int entry(void)
{
    return helper();
}
