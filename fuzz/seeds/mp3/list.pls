[playlist]
File1=../A/one.mp3
Title1=One
Length1=1
file2 = Sub/two.mp3
NumberOfEntries=2
Version=2
