-p
-r
-f
on_stop
other.c
