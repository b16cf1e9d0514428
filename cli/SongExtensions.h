#pragma once
// The song types the library knows, as the desktop program searches for
// them: what search and scan look for unless told otherwise, and the files
// the shell completions offer for a song.

namespace tunemoss {

inline constexpr char kAllSongExtensions[] =
    "MP3;MP2;MP1;WAV;WAVE;WMA;WMV;ASF;RA;RM;OGG;OGA;OPUS;FLAC;AAC;APE;APL;MPC;MP+;M4A;MP4;M4P;3GP;"
    "AIF;AIFF;AIFC;DSF;WV;MKA;WEBM";

}  // namespace tunemoss
