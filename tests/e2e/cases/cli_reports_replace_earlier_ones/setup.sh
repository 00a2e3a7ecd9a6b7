mkdir out && : > out/cor.txt && : > out/data.txt && : > out/merge.txt
