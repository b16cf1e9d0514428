#pragma once
// A dropped (or pasted) list of files as the desktop hands it over: its MIME
// type and its bytes. A drop handle points at one for the time a drop is
// being read.

#include <string>

namespace songcore {

// The freedesktop list of dragged files: URIs, one per line, CR LF.
inline constexpr const char* kUriListMimeType = "text/uri-list";
// Plain text: one path (or file URI) per line.
inline constexpr const char* kPlainTextMimeType = "text/plain";

struct DropPayload {
    std::string mimeType = kUriListMimeType;
    std::string data;
};

}  // namespace songcore

using HDROP = const songcore::DropPayload*;
