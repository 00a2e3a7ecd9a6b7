printf 'FileName\tCy3\nm1.gpr\tref\n' > targets.txt
