-a
-v
-f
y/main.c:start
src/x/main.c
src/y/main.c
