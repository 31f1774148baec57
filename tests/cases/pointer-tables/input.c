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
  return run_all(0);
}
