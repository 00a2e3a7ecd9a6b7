mkdir data.txt
