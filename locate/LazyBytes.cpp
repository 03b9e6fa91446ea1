#include "locate/LazyBytes.h"

#include <algorithm>

void LazyBytes::Reset(uint8_t* buf, int64_t len, ReadFn read, int blockShift,
                      int64_t readAheadBlocks) {
    m_buf = buf;
    m_len = buf != nullptr && len > 0 ? len : 0;
    m_readFn = std::move(read);
    m_shift = std::clamp(blockShift, 0, 30);
    m_firstReadAhead = m_readAhead = std::max<int64_t>(1, readAheadBlocks);
    const int64_t block = int64_t{1} << m_shift;
    m_have.assign(static_cast<size_t>((m_len + block - 1) >> m_shift), 0);
    m_prefix = 0;
    m_near = m_nearEnd = 0;
    m_failed = false;
    m_read = 0;
    m_budget = 0;
    m_commit = nullptr;
    m_drop = nullptr;
    m_order.clear();
    m_orderHead = 0;
    m_pinned.clear();
    m_held = 0;
    m_peak = 0;
}

void LazyBytes::SetBudget(int64_t bytes, CommitFn commit, DropFn drop) {
    m_budget = std::max<int64_t>(0, bytes);
    m_near = m_nearEnd = 0;  // blocks may now be given back
    m_commit = std::move(commit);
    m_drop = std::move(drop);
    m_pinned.assign(m_have.size(), 0);
    m_stamp.assign(m_have.size(), 0);
}

bool LazyBytes::Pin(int64_t pos, int64_t n) {
    if (!Bring(pos, n)) return false;
    if (m_budget == 0 || n <= 0) return true;
    for (int64_t b = pos >> m_shift; b <= (pos + n - 1) >> m_shift; ++b) m_pinned[static_cast<size_t>(b)] = 1;
    return true;
}

// The blocks of a request become the most recently used.
void LazyBytes::Used(int64_t first, int64_t last) {
    for (int64_t b = first; b <= last; ++b) {
        uint32_t& stamp = m_stamp[static_cast<size_t>(b)];
        if (stamp != 0 && stamp == m_tick) continue;  // the newest already
        stamp = ++m_tick;
        m_order.push_back({b, stamp});
    }
}

// Gives back the blocks used longest ago, but pinned ones, until the
// budget holds; the `newest` entries (the request just served) stay.
void LazyBytes::GiveBack(size_t newest) {
    while (m_held > m_budget && m_order.size() - m_orderHead > newest) {
        const Use u = m_order[m_orderHead++];
        // Entries given back are dropped from the front once they are most.
        if (m_orderHead > 1024 && m_orderHead * 2 > m_order.size()) {
            m_order.erase(m_order.begin(), m_order.begin() + static_cast<std::ptrdiff_t>(m_orderHead));
            m_orderHead = 0;
        }
        const auto b = static_cast<size_t>(u.block);
        if (u.stamp != m_stamp[b] || !m_have[b] || m_pinned[b]) continue;
        const int64_t from = u.block << m_shift;
        const int64_t n = std::min(m_len, from + (int64_t{1} << m_shift)) - from;
        m_drop(from, n);
        m_have[b] = 0;
        m_stamp[b] = 0;
        m_held -= n;
    }
}

bool LazyBytes::BringMissing(int64_t pos, int64_t n) {
    if (n <= 0) return true;
    if (pos < 0 || pos > m_len - n) return false;
    const int64_t blocks = static_cast<int64_t>(m_have.size());
    const int64_t last = (pos + n - 1) >> m_shift;
    int64_t brought = last;  // the last block read, read-ahead included
    for (int64_t b = pos >> m_shift; b <= last; ++b) {
        if (m_have[b]) continue;
        // After a failed read nothing more is read; what is in memory stays.
        if (m_failed) return false;
        // A run of missing blocks: the ones asked for, then read-ahead.
        int64_t end = b + 1;
        while (end < blocks && !m_have[end] && (end <= last || end - b < m_readAhead)) ++end;
        const int64_t from = b << m_shift;
        const int64_t to = std::min(m_len, end << m_shift);
        if (!m_readFn || (m_commit && !m_commit(from, to - from)) || !m_readFn(from, m_buf + from, to - from)) {
            m_failed = true;
            return false;
        }
        m_read += to - from;
        std::fill(m_have.begin() + b, m_have.begin() + end, uint8_t{1});
        m_held += to - from;
        b = end - 1;
        brought = std::max(brought, b);
        m_readAhead = std::max(m_firstReadAhead, std::min(m_readAhead * 2, kMaxReadAhead >> m_shift));
    }
    if (m_budget > 0) {
        // No prefix is kept: each request is counted as a use.
        m_peak = std::max(m_peak, m_held);
        // The request's blocks are the newest entries (one of them may have
        // been the newest already): none of them is given back.
        Used(pos >> m_shift, brought);
        GiveBack(static_cast<size_t>(brought - (pos >> m_shift) + 1));
        return true;
    }
    m_near = (pos >> m_shift) << m_shift;
    m_nearEnd = std::min(m_len, (brought + 1) << m_shift);
    // The prefix grows over every block now present from it on.
    int64_t p = m_prefix >> m_shift;
    while (p < blocks && m_have[p]) ++p;
    m_prefix = std::min(m_len, p << m_shift);
    return true;
}
