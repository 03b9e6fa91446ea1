#include "cli/Names.h"

#include "platform/SysFile.h"

FileNames::~FileNames() {
    if (m_list != nullptr && m_list != stdin) std::fclose(m_list);
}

bool FileNames::OpenList(const std::string& from) {
    m_list = from == "-" ? stdin : plat::SysOpenStream(from);
    return m_list != nullptr;
}

bool FileNames::Next(std::string& name) {
    if (m_given < m_args.size()) {
        name = m_args[m_given++];
        return true;
    }
    while (m_list != nullptr || m_at < m_buf.size()) {
        name.clear();
        for (;;) {
            const size_t nl = m_buf.find('\n', m_at);
            if (nl != std::string::npos) {
                name.append(m_buf, m_at, nl - m_at);
                m_at = nl + 1;
                break;
            }
            name.append(m_buf, m_at, std::string::npos);
            m_buf.clear();
            m_at = 0;
            if (!Refill()) break;
        }
        if (!name.empty() && name.back() == '\r') name.pop_back();
        if (!name.empty()) {
            ++m_given;
            return true;
        }
    }
    return false;
}

bool FileNames::Refill() {
    if (m_list == nullptr) return false;
    char chunk[65536];
    const size_t n = std::fread(chunk, 1, sizeof chunk, m_list);
    m_buf.assign(chunk, n);
    if (n == 0) {
        m_failed = std::ferror(m_list) != 0;
        if (m_list != stdin) std::fclose(m_list);
        m_list = nullptr;
    }
    return n > 0;
}

std::vector<std::string> FileNames::All() {
    std::vector<std::string> out;
    for (std::string name; Next(name);) out.push_back(name);
    return out;
}
