#pragma once
// The parameter record of every worker thread. The starter fills it in and
// hands it over; from then on the thread owns it and frees it when it ends.

#include <cstdint>
#include <string>

class CThread;

struct THREAD_PARAM {
    void* owner = nullptr;      // the search or tree that started the thread
    CThread* thread = nullptr;  // set before the thread runs; poll IsRunning through it
    std::string text1;
    std::string text2;
    std::string text3;
    std::string text4;
    uint32_t number1 = 0;
    uint32_t number2 = 0;
};
