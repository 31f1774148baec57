-r
-e
-v
-f
helper
src/b.c
src/a.c
