﻿[PlayList]
File1=/a.mp3
NumberOfEntries=1
