#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>

namespace unitsim {

// Every byte the unit received, one line per arrival: seconds since the start with
// microseconds, then the bytes in hex ("0.270113 5A 0C 5A 0D").
class Transcript {
public:
    Transcript() = default;
    ~Transcript() { close(); }
    Transcript(const Transcript&) = delete;
    Transcript& operator=(const Transcript&) = delete;

    bool open(const QString& path, QString* error);
    void write(std::int64_t sinceStartNs, const std::uint8_t* data, std::size_t n);
    void close();

private:
    int m_fd = -1;
};

} // namespace unitsim
