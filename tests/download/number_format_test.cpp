#include "download/internet_errors.h"
#include "download/number_format.h"
#include "download/progress_captions.h"

#include <gtest/gtest.h>

#include <set>

namespace sw {
namespace {

const NumberFormatSettings kEnglish{",", ".", "%H:%M:%S"};
const NumberFormatSettings kGerman{".", ",", "%H:%M:%S"};

TEST(NumberFormat, PatternsOfTheLabels) {
    struct Row {
        double value;
        const char* pattern;
        const char* english;
        const char* german;
    };
    const Row rows[] = {
        {1024.0, "###,###,##0.00 KB", "1,024.00 KB", "1.024,00 KB"},
        {0.0, "###,###,##0.00 KB", "0.00 KB", "0,00 KB"},
        {123456789.125, "###,###,##0.00 KB", "123,456,789.13 KB", "123.456.789,13 KB"},
        {1234567890123.0, "###,###,##0.00 KB", "1,234,567,890,123.00 KB", "1.234.567.890.123,00 KB"},
        {50.0, "##0.00%", "50.00%", "50,00%"},
        {100.0, "##0.00%", "100.00%", "100,00%"},
        {0.004, "##0.00%", "0.00%", "0,00%"},
        {99.995, "##0.00%", "100.00%", "100,00%"},
        {1.005, "##,###,##0.00", "1.01", "1,01"},
        {9999999.999, "##,###,##0.00", "10,000,000.00", "10.000.000,00"},
        {12.5, "0.00 KB/s", "12.50 KB/s", "12,50 KB/s"},
        {1234.5, "0.00 KB/s", "1234.50 KB/s", "1234,50 KB/s"},
        {5.0, "00", "05", "05"},
        {123.0, "00", "123", "123"},
        {59.6, "00", "60", "60"},
        {49.5, "##0%", "50%", "50%"},
        {0.4, "##0%", "0%", "0%"},
        {0.5, "#.##", ".5", ",5"},
        {2.0, "0.##", "2", "2"},
        {-1234.5, "#,##0.00", "-1,234.50", "-1.234,50"},
        {-0.001, "0.00", "0.00", "0,00"},
        {7.0, "'#'0", "#7", "#7"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(formatFloat(row.value, row.pattern, kEnglish), row.english)
            << row.value << " " << row.pattern;
        EXPECT_EQ(formatFloat(row.value, row.pattern, kGerman), row.german)
            << row.value << " " << row.pattern;
    }
}

TEST(NumberFormat, SeparatorsMayBeLongerThanOneByte) {
    const NumberFormatSettings french{"\xE2\x80\xAF", ",", "%H:%M:%S"}; // narrow no-break space
    EXPECT_EQ(formatFloat(1234567.5, "###,###,##0.00 KB", french), "1\xE2\x80\xAF"
                                                                   "234\xE2\x80\xAF"
                                                                   "567,50 KB");
}

TEST(NumberFormat, TimeOfDayDropsWholeDays) {
    EXPECT_EQ(formatTimeOfDay(3725.0 / 86400.0, kEnglish), "01:02:05");
    EXPECT_EQ(formatTimeOfDay(1.0 + 59.0 / 86400.0, kEnglish), "00:00:59");
    const NumberFormatSettings dotted{",", ".", "%H.%M.%S"};
    EXPECT_EQ(formatTimeOfDay(0.5, dotted), "12.00.00");
}

TEST(ProgressCaptions, LabelsOfAHalfDoneDownload) {
    EXPECT_EQ(totalCaption(2097152, kEnglish), "2,048.00 KB");
    EXPECT_EQ(receivedCaption(1048576, 2097152, kEnglish), "1,024.00 KB (50.00%)");
    EXPECT_EQ(remainingCaption(1048576, 2097152, kEnglish), "1,024.00 KB (50.00%)");
    EXPECT_EQ(receivedCaption(1048576, 2097152, kGerman), "1.024,00 KB (50,00%)");
    EXPECT_EQ(rateCaption(850.256, kEnglish), "850.26 KB/s");
    // Sizes past 2 GiB are counted in 64 bits.
    const std::int64_t big = 5'000'000'000;
    EXPECT_EQ(receivedCaption(big / 2, big, kEnglish), "2,441,406.25 KB (50.00%)");
}

TEST(ProgressCaptions, RemainingTimeIsHoursMinutesSeconds) {
    EXPECT_EQ(remainingTimeCaption(59, kEnglish), "00:00:59 s");
    EXPECT_EQ(remainingTimeCaption(3725, kEnglish), "01:02:05 s");
    EXPECT_EQ(remainingTimeCaption(59.99, kEnglish), "00:00:59 s");
    EXPECT_EQ(remainingTimeCaption(90061, kEnglish), "25:01:01 s"); // past a day: the hours go on
    EXPECT_EQ(remainingTimeCaption(400000, kEnglish), "111:06:40 s");
    EXPECT_EQ(remainingTimeCaption(0, kEnglish), "00:00:00 s");
}

TEST(InternetErrors, TableHasItsRowsInOrderWithNameAndSentence) {
    const auto table = InternetErrorTable();
    ASSERT_EQ(table.size(), 61u); // the component's 59 rows and two for HTTPS
    std::set<std::string_view> names;
    for (std::size_t i = 0; i < table.size(); ++i) {
        if (i > 0) {
            EXPECT_LT(table[i - 1].code, table[i].code);
        }
        const std::string_view message = table[i].message;
        const std::size_t dash = message.find(" - ");
        ASSERT_NE(dash, std::string_view::npos) << table[i].code;
        const std::string_view name = message.substr(0, dash);
        EXPECT_TRUE(name.starts_with("ERROR_INTERNET_") || name.starts_with("ERROR_HTTP_") ||
                    name.starts_with("ERROR_FTP_") || name.starts_with("ERROR_GOPHER_"))
            << name;
        EXPECT_TRUE(names.insert(name).second) << name;
        EXPECT_TRUE(message.ends_with(".")) << message;
        EXPECT_GT(message.size(), dash + 10) << message;
    }
    EXPECT_EQ(table.front().code, 12001u);
    EXPECT_EQ(table.back().code, 12157u);
}

TEST(InternetErrors, MessagesAndGaps) {
    EXPECT_EQ(internetErrorMessage(12029),
              "ERROR_INTERNET_CANNOT_CONNECT - The attempt to connect to the server failed.");
    EXPECT_EQ(internetErrorMessage(12150),
              "ERROR_HTTP_HEADER_NOT_FOUND - The requested header could not be located.");
    EXPECT_EQ(internetErrorMessage(12152),
              "ERROR_HTTP_INVALID_SERVER_RESPONSE - The server response could not be parsed.");
    EXPECT_EQ(
        internetErrorMessage(12006),
        "ERROR_INTERNET_UNRECOGNIZED_SCHEME - The URL scheme could not be recognized or is not supported.");
    for (std::uint32_t gap : {12034u, 12035u, 12044u, 12109u, 12112u, 12139u, 12158u, 12171u})
        EXPECT_FALSE(internetErrorMessage(gap)) << gap;
}

TEST(InternetErrors, TransportFailuresBecomeWinInetCodes) {
    EXPECT_EQ(internetErrorCode(HttpFailure::Resolve), 12007u);
    EXPECT_EQ(internetErrorCode(HttpFailure::Connect), 12029u);
    EXPECT_EQ(internetErrorCode(HttpFailure::Timeout), 12002u);
    EXPECT_EQ(internetErrorCode(HttpFailure::Reset), 12031u);
    EXPECT_EQ(internetErrorCode(HttpFailure::Aborted), 12030u);
    EXPECT_EQ(internetErrorCode(HttpFailure::MalformedUrl), 12005u);
    EXPECT_EQ(internetErrorCode(HttpFailure::UnsupportedScheme), 12006u);
    EXPECT_EQ(internetErrorCode(HttpFailure::BadResponse), 12152u);
    EXPECT_EQ(internetErrorCode(HttpFailure::EmptyReply), 12152u);
    EXPECT_EQ(internetErrorCode(HttpFailure::PartialBody), 0u);
    EXPECT_EQ(internetErrorCode(HttpFailure::Tls), 12157u);
    EXPECT_EQ(internetErrorCode(HttpFailure::CertificateAuthority), 12045u);
    EXPECT_EQ(internetErrorCode(HttpFailure::CertificateDate), 12037u);
    EXPECT_EQ(internetErrorCode(HttpFailure::CertificateName), 12038u);
    EXPECT_EQ(internetErrorCode(HttpFailure::RedirectFailed), 12156u);
    EXPECT_EQ(internetErrorCode(HttpFailure::Other), 12004u);
}

} // namespace
} // namespace sw
