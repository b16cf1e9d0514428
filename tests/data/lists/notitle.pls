[playlist]
File1=one.mp3
Length1=-1
File2=/abs/two.ogg
Length2=30
NumberOfEntries=2
Version=2
