printf 'FileName\tCy3\tCy5\nm1.gpr\tref\ta\n' > targets.txt
