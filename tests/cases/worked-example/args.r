-r
-f
b
