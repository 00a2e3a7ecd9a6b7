ln -s /dev/full data.txt
