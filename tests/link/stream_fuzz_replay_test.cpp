#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <cstdint>
#include <random>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

// The stream fuzz target's corpus, replayed in every build (the target aborts on a
// fault).
TEST(StreamFuzz, ReplaysTheCorpus) {
    const QDir dir(QStringLiteral(ZV_STREAM_CORPUS));
    const QStringList files = dir.entryList(QDir::Files);
    ASSERT_FALSE(files.isEmpty()) << "no corpus in " << ZV_STREAM_CORPUS;
    for (const QString& name : files) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << name.toStdString();
        const QByteArray bytes = f.readAll();
        SCOPED_TRACE(name.toStdString());
        EXPECT_EQ(LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                         std::size_t(bytes.size())),
                  0);
    }
}

// Inputs rich in frame starts, short lengths and zero gaps, where the edges are.
TEST(StreamFuzz, SurvivesSeededRandomStreams) {
    std::mt19937 gen(20240517);
    std::uniform_int_distribution<int> len(2, 120);
    const std::uint8_t palette[] = {0xFF, 0xFF, 0x00, 0x01, 0x02, 0x03, 0x05, 0x10, 0xFE, 0x30};
    std::uniform_int_distribution<int> pick(0, int(sizeof palette) - 1);
    std::uniform_int_distribution<int> any(0, 255);
    std::vector<std::uint8_t> buf;
    for (int i = 0; i < 300; ++i) {
        buf.resize(std::size_t(len(gen)));
        for (std::size_t k = 0; k < buf.size(); ++k)
            buf[k] = std::uint8_t(k < 2 || any(gen) < 64 ? any(gen) : palette[pick(gen)]);
        ASSERT_EQ(LLVMFuzzerTestOneInput(buf.data(), buf.size()), 0);
    }
}

} // namespace
