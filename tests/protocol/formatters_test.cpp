#include "protocol/emopa.h"
#include "protocol/formatters.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

TEST(Formatters, BytesToHex) {
    EXPECT_EQ(BytesToHex(QByteArray::fromHex("00ff")), QStringLiteral("00FF"));
    EXPECT_EQ(BytesToHex(QByteArray::fromHex("5a0b")), QStringLiteral("5A0B"));
    EXPECT_EQ(BytesToHex(QByteArray::fromHex("5a0bc3"), 1), QStringLiteral("5A"));
    EXPECT_EQ(BytesToHex(QByteArray::fromHex("5a0b"), 0), QString());
    EXPECT_EQ(BytesToHex(QByteArray()), QString());
    // A count beyond the bytes never reads past them.
    EXPECT_EQ(BytesToHex(QByteArray::fromHex("a5"), 4), QStringLiteral("A5"));
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    EXPECT_EQ(BytesToHex(all), QString::fromLatin1(all.toHex().toUpper()));
}

TEST(Formatters, NumbersRightAlignedWithAPoint) {
    struct Case {
        QString got;
        const char* expected;
    };
    const Case cases[] = {
        {FormatCount(12), "      12"},
        {FormatCount(0), "       0"},
        {FormatCount(123456789), "123456789"},
        {FormatCount(-7), "      -7"},
        {FormatCount(2.5), "       3"},
        {FormatCount(-0.4), "       0"},
        {FormatCount(255), "     255"},
        {FormatReal(-3.5), "   -3.50"},
        {FormatReal(1.5), "    1.50"},
        {FormatReal(-0.25), "   -0.25"},
        {FormatReal(1234.567), " 1234.57"},
        {FormatReal(123456.5), "123456.50"},
        {FormatWidth(5, 2), " 5"},
        {FormatWidth(3, 2), " 3"},
        {FormatWidth(12, 2), "12"},
        {FormatWidth(254, 4), " 254"},
        {FormatWidth(7, 0), "7"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.got, QString::fromLatin1(c.expected));
    }
}

TEST(Formatters, EMopaCarriesItsNumberedMessage) {
    try {
        throw EMopa(16);
    } catch (const std::exception& e) {
        EXPECT_STREQ(e.what(), "Failed to store settings");
        ASSERT_NE(dynamic_cast<const EMopa*>(&e), nullptr);
        EXPECT_EQ(dynamic_cast<const EMopa&>(e).ErrorNumber, 16);
    }
    EXPECT_EQ(ErrorMessage(1), QStringLiteral("Unable to open com port"));
    EXPECT_EQ(ErrorMessage(17), QStringLiteral("Failed to load settings"));
    EXPECT_EQ(ErrorMessage(23), QStringLiteral("Registry error"));
    EXPECT_TRUE(ErrorMessage(0).isEmpty());
    EXPECT_TRUE(ErrorMessage(24).isEmpty());
    EXPECT_STRNE(EMopa(99).what(), ""); // never an empty report
}

// Under the Russian locale the C library writes a decimal comma; the formatters
// above must not care. This proves the run had the locale it claims: the comma in
// the ru_RU run, the point elsewhere.
TEST(LocaleCheck, CLibraryFollowsTheRunsLocale) {
    const char* lcAll = std::getenv("LC_ALL");
    const bool russian = lcAll != nullptr && std::strncmp(lcAll, "ru_RU", 5) == 0;
    char buf[16];
    std::snprintf(buf, sizeof buf, "%.2f", 1.5);
    if (russian)
        EXPECT_STREQ(buf, "1,50") << "the ru_RU.UTF-8 locale is missing: run scripts/setup";
    else
        EXPECT_STREQ(buf, "1.50");
}

} // namespace
