# a b c -> součet, průměr, maximum
0:1 1:2 2:3
0:100 1:50 2:120
0:200 1:100 2:10
# c = předchozí součet
2:o0
0:255 1:255 2:255
