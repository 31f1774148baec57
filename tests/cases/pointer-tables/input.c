/* Ops tables: designated and positional initialisers, a table of
   functions, and two structs whose members share a name. */
struct file_ops {
  int (*open)(int);
  int (*close)(int);
};
struct dev_ops {
  int (*open)(int);
};
struct command {
  const char *name;
  int (*run)(int);
};

static int disk_open(int x) { return x; }
static int disk_close(int x) { return x; }
static int dev_open(int x) { return x; }
static int cmd_list(int x) { return x; }
static int cmd_show(int x) { return x; }
static int step_one(int x) { return x; }
static int step_two(int x) { return x; }

#define OPS(name) const struct file_ops name##_ops
OPS(disk) = { .open = disk_open, .close = &disk_close };
static const struct dev_ops dev = { dev_open };
static const struct command commands[] = {
  { "list", cmd_list },
  { "show", cmd_show },
};
static int (*const steps[])(int) = { step_one, [1] = step_two };

int use_file(const struct file_ops *f) { return f->open(1) + (*f->close)(2); }
int use_dev(struct dev_ops *d) { return d->open(3); }
int run_all(int i) {
  int n = commands[i].run(i);
  n += steps[i](n);
  return n + unknown_hook->fire(n);
}
int main(void) {
  use_file(&disk_ops);
  use_dev((struct dev_ops *)&dev);
  return run_all(0) + vec_get(0) + decode(0, 0) + dispatch(1);
}

/* Typedef names the same as their tags, members declared several at a
   time, a two-dimensional table of rows with a member that is an array,
   an upper-case function, and roots in parentheses and casts as macros
   write them. */
typedef struct vec vec;
typedef int (*op_fn)(int);
typedef struct vec_ops { op_fn get, put; } vec_ops;
struct vec { const vec_ops *ops; };
struct other_ops { op_fn get; };
struct insn { const char *name; struct { op_fn rtn; int mode; } op[2]; };
static int OP_E(int x);
static int get_le(int x) { return x; }
static int put_le(int x) { return x; }
static int get_be(int x) { return x; }
static int OP_E(int x) { return x; }
static int op_g(int x) { return x; }
static const vec_ops le_ops = { get_le, put_le };
static const struct other_ops be_ops = { get_be };
static const struct insn grid[][2] = { { { "a", { { OP_E, 1 }, { op_g, 2 } } }, { "b", { { op_g, 0 } } } } };
int vec_get(vec *v) {
  int n = ((*((v)->ops->get)) (1));
  return n + ((const struct vec *) v)->ops->put(2);
}
int decode(const struct insn *p, int i) {
  int n = (p->op[i].rtn)(i);
  return n + (*grid[0][i].op[0].rtn)(n);
}
int dispatch(int m) {
  struct handler { int mach; op_fn run; } handlers[] = { { 1, put_le }, { 0, 0 } };
  return handlers[m].run(m);
}
