-p
-r
-f
on_stop
