mkdir out && printf partial > out/.spotweave-4194305-cor.txt.part && : > out/spotweave-4194305-cor.txt.part
