mkdir -p out/data.txt && : > out/cor.txt && : > out/merge.txt
