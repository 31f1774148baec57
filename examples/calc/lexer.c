/* Splits an input line into tokens. */
#include "calc.h"

void lexer_init(struct lexer *lx, const char *text)
{
    lx->text = text;
    lx->pos = 0;
    lexer_next(lx);
}

static long read_number(struct lexer *lx)
{
    long value = 0;

    while (IS_DIGIT(lx->text[lx->pos])) {
        value = value * 10 + (lx->text[lx->pos] - '0');
        lx->pos++;
    }
    return value;
}

static enum token_kind single_char_token(char c)
{
    switch (c) {
    case '+': return TOK_PLUS;
    case '-': return TOK_MINUS;
    case '*': return TOK_STAR;
    case '/': return TOK_SLASH;
    case '^': return TOK_CARET;
    case '!': return TOK_BANG;
    case '(': return TOK_LPAREN;
    case ')': return TOK_RPAREN;
    case '=': return TOK_ASSIGN;
    default: return TOK_ERROR;
    }
}

void lexer_next(struct lexer *lx)
{
    char c;

    while (IS_SPACE(lx->text[lx->pos]))
        lx->pos++;
    c = lx->text[lx->pos];
    if (c == '\0' || c == '\n') {
        lx->current.kind = TOK_END;
        return;
    }
    if (IS_DIGIT(c)) {
        lx->current.kind = TOK_NUMBER;
        lx->current.value = read_number(lx);
        return;
    }
    if (c >= 'a' && c <= 'z') {
        lx->current.kind = TOK_NAME;
        lx->current.name = c;
        lx->pos++;
        return;
    }
    lx->current.kind = single_char_token(c);
    if (lx->current.kind == TOK_ERROR)
        REPORT("unexpected character");
    lx->pos++;
}

int lexer_accept(struct lexer *lx, enum token_kind kind)
{
    if (lx->current.kind != kind)
        return 0;
    lexer_next(lx);
    return 1;
}
