// MD5 (RFC 1321), for the GUID of extended XMP, which is the digest of the
// extended content.
#pragma once
#include <cstdint>

class Md5 {
public:
    Md5();
    void Update(const uint8_t* data, int64_t len);
    // The digest; the object must not be updated afterwards.
    void Final(uint8_t out[16]);
    // The digest as 32 uppercase hex digits (no NUL).
    void FinalHex(char out[32]);

private:
    void Block(const uint8_t* p);
    uint32_t m_state[4];
    uint64_t m_bytes = 0;
    uint8_t m_buf[64];
};
