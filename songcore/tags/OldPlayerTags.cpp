#include "songcore/tags/OldPlayerTags.h"

#include <mutex>

namespace songcore {
namespace {

struct Setting {
    std::mutex mutex;
    std::optional<std::string> codepage;
};

Setting& TheSetting() {
    static Setting setting;
    return setting;
}

}  // namespace

std::optional<std::string> OldPlayerCodepage() {
    Setting& setting = TheSetting();
    std::lock_guard lock(setting.mutex);
    return setting.codepage;
}

void SetOldPlayerCodepage(std::optional<std::string> encoding) {
    Setting& setting = TheSetting();
    std::lock_guard lock(setting.mutex);
    setting.codepage = std::move(encoding);
}

}  // namespace songcore
