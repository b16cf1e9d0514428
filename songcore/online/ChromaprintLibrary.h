#pragma once
// Chromaprint, the acoustic fingerprinter AcoustID looks songs up by, loaded
// on the first fingerprint.

#include <chromaprint.h>

#include <string>

namespace songcore {

struct ChromaprintLibrary {
    decltype(&::chromaprint_new) create = nullptr;
    decltype(&::chromaprint_free) destroy = nullptr;
    decltype(&::chromaprint_start) start = nullptr;
    decltype(&::chromaprint_feed) feed = nullptr;
    decltype(&::chromaprint_finish) finish = nullptr;
    decltype(&::chromaprint_get_fingerprint) fingerprint = nullptr;
    decltype(&::chromaprint_get_raw_fingerprint) rawFingerprint = nullptr;
    decltype(&::chromaprint_dealloc) dealloc = nullptr;

    static const ChromaprintLibrary* Get(std::string* error = nullptr);
};

}  // namespace songcore
