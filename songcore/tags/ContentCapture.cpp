#include "songcore/tags/ContentCapture.h"

namespace songcore {
namespace {

thread_local ContentCapture* active = nullptr;

}  // namespace

ContentCapture::ContentCapture() : outer_(active) {
    active = this;
}

ContentCapture::~ContentCapture() {
    active = outer_;
}

ContentCapture* ContentCapture::Active() {
    return active;
}

void ContentCapture::Add(RestorePlan plan) {
    savedBytes_ += plan.SavedBytes();
    if (savedBytes_ > kMaxSavedBytes) {
        complete_ = false;
    }
    if (complete_) {
        plans_.push_back(std::move(plan));
    }
}

std::vector<RestorePlan> ContentCapture::Take() {
    if (!Complete()) {
        plans_.clear();
    }
    return std::move(plans_);
}

}  // namespace songcore
