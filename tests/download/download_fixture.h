#pragma once

// What the downloader's tests share: a clock that moves only when told, recording labels and
// progress bar, and a downloader wired to record its status texts and events.

#include "download/download_clock.h"
#include "download/linked_controls.h"
#include "download/mhttp_get_resume.h"

#include "support/temp_dir.h"
#include "support/test_http_server.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <string>
#include <vector>

namespace sw::test {

class FakeDownloadClock final : public DownloadClock {
public:
    double days = 46000.25; // a date-time; moves by nowStep at every reading
    double nowStep = 0;     // days
    std::chrono::milliseconds steadyNow{1000000};
    std::chrono::milliseconds steadyStep{0}; // added at every reading
    std::chrono::milliseconds slept{0};

    double now() override {
        const double d = days;
        days += nowStep;
        return d;
    }
    std::chrono::milliseconds steady() override {
        const auto t = steadyNow;
        steadyNow += steadyStep;
        return t;
    }
    void sleep(std::chrono::milliseconds duration) override {
        slept += duration;
        steadyNow += duration;
        days += static_cast<double>(duration.count()) / 86400000.0;
    }
};

class RecordingLabel final : public LinkedLabel {
public:
    void setCaption(const std::string& caption) override { captions.push_back(caption); }
    std::string last() const { return captions.empty() ? std::string() : captions.back(); }
    std::vector<std::string> captions;
};

class RecordingBar final : public LinkedProgressBar {
public:
    void setRange(std::int64_t minimum, std::int64_t maximum) override {
        this->minimum = minimum;
        this->maximum = maximum;
    }
    void setPosition(std::int64_t position) override { positions.push_back(position); }
    std::int64_t minimum = -1;
    std::int64_t maximum = -1;
    std::vector<std::int64_t> positions;
};

// Bytes that differ at every position, so a part written at the wrong offset shows.
inline std::string patternBytes(std::size_t size, unsigned seed = 7) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 131 + i / 251 + seed) & 0xFF);
    return bytes;
}

class DownloadTest : public ::testing::Test {
protected:
    DownloadTest() {
        get.setClock(clock);
        get.setNumberFormat({",", ".", "%H:%M:%S"});
        get.setPumpInterval(std::chrono::milliseconds(1));
        get.setMessagePump([this] { ++pumps; });
        get.MOnStatus = [this](TMHttpGetResume&, const std::string& text) { statuses.push_back(text); };
        get.MOnConcluido = [this](TMHttpGetResume&) { ++concluded; };
        get.MOnProgress = [this](TMHttpGetResume&) { ++progress; };
        get.MProgressBar = &bar;
        get.MArquivoLocal = localPath();
    }

    ~DownloadTest() override {
        if (HasFailure())
            for (const std::string& text : statuses)
                std::cerr << "  status: " << text << '\n';
    }

    std::string localPath() const { return (dir / "package.zip").string(); }
    std::string localBytes() const { return readFile(dir / "package.zip"); }
    bool hasStatus(const std::string& text) const {
        return std::find(statuses.begin(), statuses.end(), text) != statuses.end();
    }
    std::vector<TestHttpRequest> requestsOf(const std::string& method) const {
        std::vector<TestHttpRequest> found;
        for (const TestHttpRequest& r : server.requests())
            if (r.method == method)
                found.push_back(r);
        return found;
    }

    TempDir dir;
    TestHttpServer server;
    FakeDownloadClock clock;
    RecordingBar bar;
    TMHttpGetResume get;
    std::vector<std::string> statuses;
    int concluded = 0;
    int progress = 0;
    int pumps = 0;
};

} // namespace sw::test
