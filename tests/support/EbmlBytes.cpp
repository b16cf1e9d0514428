#include "support/EbmlBytes.h"

#include "songcore/tags/mkv/Ebml.h"
#include "songcore/util/ByteWriter.h"

namespace testsupport {

std::vector<uint8_t> Element(uint32_t id, const std::vector<uint8_t>& body) {
    songcore::ByteWriter out;
    songcore::AppendEbmlElement(out, id, body);
    return out.take();
}

std::vector<uint8_t> Text(uint32_t id, const std::string& text) {
    return Element(id, std::vector<uint8_t>(text.begin(), text.end()));
}

}  // namespace testsupport
