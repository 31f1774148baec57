int add(int a, int b)
{

    /* c
       d */ more();
    return 0;
}
