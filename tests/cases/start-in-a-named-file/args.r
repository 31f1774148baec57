-a
-r
-f
src/y/main.c:step
src/x/main.c
src/y/main.c
