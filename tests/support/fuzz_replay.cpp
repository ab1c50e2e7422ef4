#include "support/fuzz_replay.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <random>

void ReplayCorpus(const QString& dir, FuzzTarget target) {
    const QDir corpus(dir);
    const QStringList files = corpus.entryList(QDir::Files);
    ASSERT_FALSE(files.isEmpty()) << "no corpus in " << dir.toStdString();
    for (const QString& name : files) {
        QFile f(corpus.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << name.toStdString();
        const QByteArray bytes = f.readAll();
        SCOPED_TRACE(name.toStdString());
        EXPECT_EQ(target(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                         std::size_t(bytes.size())),
                  0);
    }
}

void FeedRandomInputs(const RandomInputs& inputs, FuzzTarget target) {
    ASSERT_FALSE(inputs.palette.empty());
    std::mt19937 gen(inputs.seed);
    std::uniform_int_distribution<int> len(inputs.minLength, inputs.maxLength);
    std::uniform_int_distribution<int> pick(0, int(inputs.palette.size()) - 1);
    std::uniform_int_distribution<int> any(0, 255);
    const auto fromPalette = [&] {
        const int draw = any(gen);
        return draw >= inputs.paletteFrom && draw < inputs.paletteTo;
    };
    std::vector<std::uint8_t> buf;
    for (int i = 0; i < inputs.count; ++i) {
        buf.resize(std::size_t(len(gen)));
        for (std::size_t k = 0; k < buf.size(); ++k)
            buf[k] = std::uint8_t(k >= inputs.randomHead && fromPalette()
                                      ? inputs.palette[std::size_t(pick(gen))]
                                      : any(gen));
        ASSERT_EQ(target(buf.data(), buf.size()), 0) << "input " << i;
    }
}
