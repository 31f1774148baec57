/* calc: evaluates one expression per input line, e.g. "x = 2 ^ 10" or "5! / (x - 1000)". */
#include <string.h>
#include "calc.h"

static int interactive = 1;

static void print_banner(void)
{
    if (interactive)
        printf("calc - type an expression, an empty line ends\n");
}

static int evaluate_line(const char *line)
{
    struct lexer lx;
    int ok = 1;
    long value;

    lexer_init(&lx, line);
    if (lx.current.kind == TOK_END)
        return 0;
    value = parse_statement(&lx, &ok);
    if (ok && lx.current.kind != TOK_END) {
        REPORT("unexpected text after the expression");
        ok = 0;
    }
    if (ok)
        printf("%ld\n", value);
    return 1;
}

int main(int argc, char **argv)
{
    char line[CALC_MAX_LINE];

    if (argc > 1 && strcmp(argv[1], "-q") == 0)
        interactive = 0;
    print_banner();
    while (fgets(line, sizeof line, stdin) != NULL) {
        if (!evaluate_line(line))
            break;
    }
    return 0;
}
