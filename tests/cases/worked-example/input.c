int b(int n)
{
    if (n > 0) b(n - 1);
    return 0;
}

int a(void)
{
    return b(1);
}

int main(void)
{
    a();
    b(2);
    printf("done\n");
    return 0;
}
