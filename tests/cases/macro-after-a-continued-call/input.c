#define PAIR(a, b) pair(a, b)
#define HIDE(x) hidden(x)
int main(void)
{
    PAIR(1,
         2); HIDE(3);
    PAIR(4,
         5); PAIR(6, 7); HIDE(HIDE(8));
}
