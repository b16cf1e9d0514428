[playlist]
File1=C:\Music\a.mp3
Title1=Artist - Song
Length1=200
File2=b.mp3
Title2=AC-DC - Thunder
Length2=abc
NumberOfEntries=2
Version=2
