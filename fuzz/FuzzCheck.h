// What the fuzz targets share: a check that aborts (so libFuzzer keeps the
// input) and a message responder that answers every box with OK.
#pragma once
#include "platform/Message.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#define FUZZ_CHECK(cond)                                                       \
    do {                                                                       \
        if (!(cond)) {                                                         \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
            std::abort();                                                      \
        }                                                                      \
    } while (0)

// True when the fixed-size text field holds its terminating NUL.
template <size_t N>
bool Terminated(const char (&field)[N]) {
    return std::memchr(field, '\0', N) != nullptr;
}

inline void SilenceMessages() {
    plat::SetMessageResponder(
        [](const std::string&, const std::string&, plat::MsgButtons) { return plat::MsgResult::Ok; });
}
