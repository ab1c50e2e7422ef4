#include "transcript.h"

#include <QFile>

#include <cerrno>
#include <charconv>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace unitsim {

bool Transcript::open(const QString& path, QString* error) {
    close();
    m_fd =
        ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (m_fd < 0) {
        *error = QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(strerror(errno)));
        return false;
    }
    return true;
}

void Transcript::write(std::int64_t sinceStartNs, const std::uint8_t* data, std::size_t n) {
    if (m_fd < 0 || n == 0)
        return;
    static const char Hex[] = "0123456789ABCDEF";
    std::string line;
    line.reserve(24 + 3 * n);
    char num[24];
    const auto seconds = std::to_chars(num, num + sizeof num, sinceStartNs / 1000000000);
    line.append(num, seconds.ptr);
    line.push_back('.');
    const auto micros = std::to_chars(num, num + sizeof num, sinceStartNs % 1000000000 / 1000);
    line.append(6 - static_cast<std::size_t>(micros.ptr - num), '0');
    line.append(num, micros.ptr);
    for (std::size_t i = 0; i < n; ++i) {
        line.push_back(' ');
        line.push_back(Hex[data[i] >> 4]);
        line.push_back(Hex[data[i] & 0x0F]);
    }
    line.push_back('\n');
    const char* p = line.data();
    std::size_t left = line.size();
    while (left > 0) {
        const ssize_t w = ::write(m_fd, p, left);
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0)
            return; // a full disk loses transcript lines, never the unit
        p += w;
        left -= static_cast<std::size_t>(w);
    }
}

void Transcript::close() {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

} // namespace unitsim
