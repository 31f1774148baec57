int c(void);
int a(void)
{
    c();
    return 0;
}
int c(void)
{
    a();
    return 1;
}
int main(void)
{
    a();
    return 0;
}
