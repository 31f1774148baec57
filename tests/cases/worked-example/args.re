-r
-e
-f
b
