static void step(void)
{
    second();
}
void start(void)
{
    step();
}
