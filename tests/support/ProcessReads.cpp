#include "support/ProcessReads.h"

#include <fstream>
#include <string>

namespace testsupport {

uint64_t BytesReadByProcess() {
    std::ifstream io("/proc/self/io");
    std::string key;
    uint64_t value = 0;
    while (io >> key >> value) {
        if (key == "rchar:") {
            return value;
        }
    }
    return 0;
}

}  // namespace testsupport
