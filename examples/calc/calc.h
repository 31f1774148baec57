/*
 * calc - a tiny desk calculator: reads arithmetic expressions line by line,
 * evaluates them and prints the results. The example program of zelta.
 */
#ifndef CALC_H
#define CALC_H

#include <stdio.h>

#define CALC_MAX_LINE 256
#define CALC_MAX_VARS 26
#define IS_DIGIT(c) ((c) >= '0' && (c) <= '9')
#define IS_SPACE(c) ((c) == ' ' || (c) == '\t')
#define REPORT(msg) report_error(__LINE__, (msg))

enum token_kind {
    TOK_END,
    TOK_NUMBER,
    TOK_NAME,
    TOK_PLUS,
    TOK_MINUS,
    TOK_STAR,
    TOK_SLASH,
    TOK_CARET,
    TOK_BANG,
    TOK_LPAREN,
    TOK_RPAREN,
    TOK_ASSIGN,
    TOK_ERROR
};

struct token {
    enum token_kind kind;
    long value;
    char name;
};

struct lexer {
    const char *text;
    int pos;
    struct token current;
};

/* lexer.c */
void lexer_init(struct lexer *lx, const char *text);
void lexer_next(struct lexer *lx);
int lexer_accept(struct lexer *lx, enum token_kind kind);

/* parser.c */
long parse_statement(struct lexer *lx, int *ok);
long parse_expr(struct lexer *lx, int *ok);
long parse_term(struct lexer *lx, int *ok);
long parse_factor(struct lexer *lx, int *ok);

/* eval.c */
long power(long base, long exponent);
long factorial(long n);
long variable_get(char name);
void variable_set(char name, long value);
void report_error(int line, const char *message);

#endif
