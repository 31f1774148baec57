-r
-f
a
