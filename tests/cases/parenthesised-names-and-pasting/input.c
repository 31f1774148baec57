typedef struct S lua_State;
lua_State *(luaL_newstate) (void) {
  return alloc();
}
int (plain)(int x)
{
  return twice(x);
}
#define STR(x) #x
#define CAT(a, b) a##b
#define CALL(n) do_##n(STR(n))
int main(void) {
  luaL_newstate();
  plain(1);
  CALL(work);
  CAT(get, value)();
  return 0;
}
