// The peer writer: TagLib's generic interface, as a program using it to
// retitle a song would call it (it saves without flushing to disk).
#include <taglib/fileref.h>
#include <taglib/tag.h>

#include "bench/WriteBench.h"

namespace bench {

bool WritePeerTitle(const std::string& path, const std::string& title, std::string& error) {
    TagLib::FileRef ref(path.c_str(), false);
    if (ref.isNull() || ref.tag() == nullptr) {
        error = "TagLib cannot open " + path;
        return false;
    }
    ref.tag()->setTitle(TagLib::String(title, TagLib::String::UTF8));
    if (!ref.save()) {
        error = "TagLib cannot save " + path;
        return false;
    }
    return true;
}

}  // namespace bench
