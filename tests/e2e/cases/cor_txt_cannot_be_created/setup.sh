mkdir cor.txt
