-p
-r
-f
disk_open
