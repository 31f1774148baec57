struct hdr { int a; } __attribute__ ((packed)) ;
struct w { long (*f)(int); };
int proto(int a) ;
struct s { int b; };
int main(void) { return 0; }
