static void step(void)
{
    first();
}
void start(void)
{
    step();
}
