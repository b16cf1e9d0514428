#include "songcore/mpeg/MPAException.h"

#include <cerrno>
#include <mutex>
#include <system_error>

#include "songcore/util/Text.h"

namespace {

std::mutex& HookMutex() {
    static std::mutex mutex;
    return mutex;
}

CMPAException::MessageHook& Hook() {
    static CMPAException::MessageHook hook;
    return hook;
}

constexpr const char* kMessages[] = {
    "Can't open the file.",
    "Can't set file position.",
    "Can't read from file.",
    "Reached end of buffer.",
    "No VBR Header found.",
    "Incomplete VBR Header.",
    "No subsequent frame found within tolerance range.",
    "No frame found.",
};

constexpr size_t kMaxTextLength = 255;

}  // namespace

CMPAException::CMPAException(ErrorIDs id, std::string fileName, std::string functionName,
                             bool useLastError)
    : id_(id),
      fileName_(std::move(fileName)),
      functionName_(std::move(functionName)),
      lastError_(useLastError ? errno : 0) {}

const char* CMPAException::GetMessage(ErrorIDs id) {
    auto index = static_cast<size_t>(id);
    return index < std::size(kMessages) ? kMessages[index] : "";
}

const char* CMPAException::what() const noexcept {
    return GetMessage(id_);
}

std::string CMPAException::GetErrorText() const {
    std::string text;
    if (!functionName_.empty()) {
        text += functionName_ + ": ";
    }
    if (!fileName_.empty()) {
        text += "'" + fileName_ + "'\n";
    }
    text += GetMessage(id_);
    if (lastError_ != 0) {
        std::string reason = std::error_code(lastError_, std::generic_category()).message();
        if (!reason.empty()) {
            text += "\n" + reason;
        }
    }
    return songcore::TruncateUtf8(text, kMaxTextLength);
}

void CMPAException::ShowError() const {
    MessageHook hook;
    {
        std::lock_guard lock(HookMutex());
        hook = Hook();
    }
    if (hook) {
        hook(GetErrorText(), "Error");
    }
}

void CMPAException::SetMessageHook(MessageHook hook) {
    std::lock_guard lock(HookMutex());
    Hook() = std::move(hook);
}
