printf 'FileName\tCy3\tCy5\nm1.gpr\tref\ta\nm2.gpr\ta\tref\n' > targets.txt
