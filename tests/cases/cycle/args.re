-r
-e
-f
a
