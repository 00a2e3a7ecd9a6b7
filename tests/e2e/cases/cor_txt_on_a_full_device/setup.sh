ln -s /dev/full cor.txt
