-j
-g
src/b.c
src/a.c
