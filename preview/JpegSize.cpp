#include "preview/JpegSize.h"

#include <turbojpeg.h>

#include <mutex>
#include <vector>

namespace {

// Decompressor handles kept for the next call: making one costs more than
// reading a header, and a batch reads thousands. A handle is kept only
// after a successful read, which leaves it reset for the next stream.
class IdleHandles {
public:
    tjhandle Take() {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (!m_idle.empty()) {
                tjhandle h = m_idle.back();
                m_idle.pop_back();
                return h;
            }
        }
        return tjInitDecompress();
    }
    void Give(tjhandle h) {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_idle.size() < 16) m_idle.push_back(h);
        else tjDestroy(h);
    }
    ~IdleHandles() {
        for (tjhandle h : m_idle) tjDestroy(h);
    }

private:
    std::mutex m_mutex;
    std::vector<tjhandle> m_idle;
};

IdleHandles& Handles() {
    static IdleHandles handles;
    return handles;
}

}  // namespace

bool ReadJpegSize(const uint8_t* data, int64_t len, int32_t& width, int32_t& height,
                  bool* warned) {
    width = height = 0;
    if (warned != nullptr) *warned = false;
    if (data == nullptr || len <= 0 || len > UINT32_MAX) return false;
    tjhandle h = Handles().Take();
    if (h == nullptr) return false;
    int w = 0, hgt = 0, subsamp = 0, colorspace = 0;
    const int rc = tjDecompressHeader3(h, data, static_cast<unsigned long>(len), &w, &hgt, &subsamp,
                                       &colorspace);
    const bool warning = rc != 0 && tjGetErrorCode(h) == TJERR_WARNING;
    if (rc == 0) Handles().Give(h);
    else tjDestroy(h);
    if ((rc != 0 && !warning) || w <= 0 || hgt <= 0) return false;
    if (warned != nullptr) *warned = warning;
    width = w;
    height = hgt;
    return true;
}
