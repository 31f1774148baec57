/*
 * Recursive-descent parser that evaluates while it parses:
 *   statement := name '=' expr | expr
 *   expr      := term (('+' | '-') term)*
 *   term      := factor (('*' | '/') factor)*
 *   factor    := number ['!'] | name | '-' factor | '(' expr ')' ['^' factor]
 */
#include "calc.h"

static int next_is_assign(const struct lexer *lx)
{
    int i = lx->pos;

    while (IS_SPACE(lx->text[i]))
        i++;
    return lx->text[i] == '=';
}

long parse_statement(struct lexer *lx, int *ok)
{
    if (lx->current.kind == TOK_NAME && next_is_assign(lx)) {
        char name = lx->current.name;
        long value;

        lexer_next(lx);
        lexer_accept(lx, TOK_ASSIGN);
        value = parse_expr(lx, ok);
        variable_set(name, value);
        return value;
    }
    return parse_expr(lx, ok);
}

long parse_expr(struct lexer *lx, int *ok)
{
    long value = parse_term(lx, ok);

    for (;;) {
        if (lexer_accept(lx, TOK_PLUS))
            value += parse_term(lx, ok);
        else if (lexer_accept(lx, TOK_MINUS))
            value -= parse_term(lx, ok);
        else
            return value;
    }
}

long parse_term(struct lexer *lx, int *ok)
{
    long value = parse_factor(lx, ok);

    for (;;) {
        if (lexer_accept(lx, TOK_STAR)) {
            value *= parse_factor(lx, ok);
        } else if (lexer_accept(lx, TOK_SLASH)) {
            long divisor = parse_factor(lx, ok);

            if (divisor == 0) {
                REPORT("division by zero");
                *ok = 0;
                return 0;
            }
            value /= divisor;
        } else {
            return value;
        }
    }
}

long parse_factor(struct lexer *lx, int *ok)
{
    long value;

    if (lx->current.kind == TOK_NUMBER) {
        value = lx->current.value;
        lexer_next(lx);
        if (lexer_accept(lx, TOK_BANG))
            value = factorial(value);
    } else if (lx->current.kind == TOK_NAME) {
        value = variable_get(lx->current.name);
        lexer_next(lx);
    } else if (lexer_accept(lx, TOK_MINUS)) {
        return -parse_factor(lx, ok);
    } else if (lexer_accept(lx, TOK_LPAREN)) {
        value = parse_expr(lx, ok);
        if (!lexer_accept(lx, TOK_RPAREN)) {
            REPORT("missing )");
            *ok = 0;
        }
    } else {
        REPORT("number expected");
        *ok = 0;
        return 0;
    }
    if (lexer_accept(lx, TOK_CARET))
        value = power(value, parse_factor(lx, ok));
    return value;
}
