// Every write of file content on Windows goes through these, so that test
// programs can put a failing write in WriteSome's place at link time (it
// lives alone in WriteSome.cpp), as the POSIX build's tests wrap write().
#pragma once
#include <cstdint>

namespace plat {

// One WriteFile on `handle` at its current position: the bytes written in
// `*put`; false on an error.
bool WriteSome(void* handle, const void* buf, uint32_t n, uint32_t* put);

// All n bytes, in chunks; false when any write fails or writes nothing.
bool WriteAll(void* handle, const void* buf, int64_t n);

}  // namespace plat
