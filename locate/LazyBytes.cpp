#include "locate/LazyBytes.h"

#include <algorithm>

void LazyBytes::Reset(uint8_t* buf, int64_t len, ReadFn read, int blockShift,
                      int64_t readAheadBlocks) {
    m_buf = buf;
    m_len = buf != nullptr && len > 0 ? len : 0;
    m_readFn = std::move(read);
    m_shift = std::clamp(blockShift, 0, 30);
    m_readAhead = std::max<int64_t>(1, readAheadBlocks);
    const int64_t block = int64_t{1} << m_shift;
    m_have.assign(static_cast<size_t>((m_len + block - 1) >> m_shift), 0);
    m_prefix = 0;
    m_failed = false;
    m_read = 0;
}

bool LazyBytes::BringMissing(int64_t pos, int64_t n) {
    if (n <= 0) return true;
    if (pos < 0 || pos > m_len - n) return false;
    const int64_t blocks = static_cast<int64_t>(m_have.size());
    const int64_t last = (pos + n - 1) >> m_shift;
    for (int64_t b = pos >> m_shift; b <= last; ++b) {
        if (m_have[b]) continue;
        // After a failed read nothing more is read; what is in memory stays.
        if (m_failed) return false;
        // A run of missing blocks: the ones asked for, then read-ahead.
        int64_t end = b + 1;
        while (end < blocks && !m_have[end] && (end <= last || end - b < m_readAhead)) ++end;
        const int64_t from = b << m_shift;
        const int64_t to = std::min(m_len, end << m_shift);
        if (!m_readFn || !m_readFn(from, m_buf + from, to - from)) {
            m_failed = true;
            return false;
        }
        m_read += to - from;
        std::fill(m_have.begin() + b, m_have.begin() + end, uint8_t{1});
        b = end - 1;
    }
    // The prefix grows over every block now present from it on.
    int64_t p = m_prefix >> m_shift;
    while (p < blocks && m_have[p]) ++p;
    m_prefix = std::min(m_len, p << m_shift);
    return true;
}
