mkdir merge.txt
