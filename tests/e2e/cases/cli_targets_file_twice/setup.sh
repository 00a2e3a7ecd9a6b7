printf 'filename\tcy3\tcy5\nm1.gpr\tref\ta\n./m1.gpr\tb\tref\n' > targets.txt
