// TMHttpGetResume's transfer: the GET passes, the read loop, the statistics and the
// progress report.
#include "download/internet_errors.h"
#include "download/local_file.h"
#include "download/mhttp_get_resume.h"
#include "download/progress_captions.h"
#include "platform/http_request.h"
#include "platform/http_session.h"
#include "platform/http_transport_error.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace sw {

namespace {

// Passes in a row that may end early without a single byte before the transfer gives up
// (a server that always closes at once would otherwise be asked again forever).
constexpr int kMaxEmptyPasses = 3;

// The first byte position of "Content-Range: bytes first-last/size" (RFC 7233 4.2), or
// nullopt when the header is missing or not of that form.
std::optional<std::int64_t> contentRangeStart(const HttpRequest& request) {
    const std::optional<std::string> value = request.header("Content-Range");
    if (!value || value->compare(0, 6, "bytes ") != 0)
        return std::nullopt;
    std::int64_t first = 0;
    std::size_t i = 6;
    while (i < value->size() && (*value)[i] == ' ')
        ++i;
    const std::size_t digits = i;
    for (; i < value->size() && (*value)[i] >= '0' && (*value)[i] <= '9'; ++i) {
        if (i - digits >= 18)
            return std::nullopt;
        first = first * 10 + ((*value)[i] - '0');
    }
    if (i == digits || i >= value->size() || (*value)[i] != '-')
        return std::nullopt;
    return first;
}

} // namespace

std::int64_t TMHttpGetResume::TransferFrom(const std::string& url, const std::string& localFile,
                                           std::int64_t offset) {
    std::int64_t position = offset;
    m_labelsShown = false;
    m_labelsPending = false;
    try {
        SplitUrl(url);
        m_bytesRecebidos = 0;
        if (m_buffer.size() != kReadBufferSize)
            m_buffer.assign(kReadBufferSize, 0);
        m_askWhole = false;
        int emptyPasses = 0;
        int passesWithoutProgress = 0;
        std::int64_t largest = position; // the largest size the file has reached
        do {
            ++m_restartCount;
            if (m_restartCount > 1)
                ReportStatus("Download reiniciado automaticamente (" + std::to_string(m_restartCount - 1) +
                             ")!");
            if (transferPass(localFile, position) == PassEnd::Return)
                break;
            emptyPasses = m_passBytes == 0 ? emptyPasses + 1 : 0;
            passesWithoutProgress = position > largest ? 0 : passesWithoutProgress + 1;
            largest = std::max(largest, position);
            if (!MBaixando || m_erro)
                continue;
            if (emptyPasses >= kMaxEmptyPasses) {
                m_lastError = wininet::kInvalidServerResponse;
                CheckInternetError();
                break;
            }
            if (passesWithoutProgress >= kMaxPassesWithoutProgress) {
                m_lastError = wininet::kConnectionAborted;
                CheckInternetError();
                break;
            }
        } while (MBaixando);
    } catch (const std::exception& e) {
        ReportStatus(e.what());
    }
    return position;
}

TMHttpGetResume::PassEnd TMHttpGetResume::transferPass(const std::string& localFile, std::int64_t& position) {
    // Declared in this order so that the request goes before its session on every path.
    std::unique_ptr<HttpSession> session;
    std::unique_ptr<HttpRequest> request;
    m_passBytes = 0;
    const bool rangeAsked = position > 0 && !m_askWhole;
    m_askWhole = false;
    requestSteps("GET", rangeAsked ? std::optional<std::int64_t>(position) : std::nullopt,
                 "Enviando requisição ao servidor...", session, request);
    if (!m_erro && m_stopRequested) {
        ReportStatus("Download pausado!");
        return PassEnd::Return;
    }
    // Only a success is the file (206 for a part, any other 2xx for the whole): a redirect that
    // was not followed or an error answer fails the download and leaves the file as it is.
    if (!m_erro && (request->statusCode() < 200 || request->statusCode() > 299))
        reportHttpStatus(*request);
    if (m_erro) {
        if (MAutoReconectar)
            reconnectWait();
        return PassEnd::Return;
    }

    // The body must be the part asked for. A server that ignored the Range line sends the
    // whole file (200): the bytes the file already holds are read past, never written again,
    // so a pass cut short cannot shorten the file. A part that starts anywhere else than asked
    // (Content-Range, RFC 7233 4.1) is dropped and the whole file asked for.
    const int status = request->statusCode();
    std::int64_t skip = position;
    if (status == 206) {
        const std::int64_t expected = rangeAsked ? position : 0;
        if (contentRangeStart(*request) != expected) {
            if (!rangeAsked) {
                m_lastError = wininet::kInvalidServerResponse;
                CheckInternetError();
                return PassEnd::Return;
            }
            m_askWhole = true;
            return PassEnd::NextPass;
        }
        skip = position - expected;
    }

    LocalFile file(downloadFilePath(localFile));
    file.startAt(position);
    ReportStatus(position > 0 ? "Resumindo download..." : "Iniciando download...");
    for (;;) {
        if (m_erro) {
            flushLabels();
            return PassEnd::Return;
        }
        std::size_t count = readBlock(*request, m_buffer.data(), m_buffer.size());
        CheckInternetError();
        if (count == 0)
            break;
        m_passBytes += static_cast<std::int64_t>(count);
        const std::size_t skipped =
            static_cast<std::size_t>(std::min<std::int64_t>(skip, static_cast<std::int64_t>(count)));
        skip -= static_cast<std::int64_t>(skipped);
        count -= skipped;
        if (count == 0) {
            pump();
            if (!MBaixando)
                break;
            continue;
        }
        // Bytes past the size the HEAD request gave are never written.
        count = static_cast<std::size_t>(
            std::min<std::int64_t>(static_cast<std::int64_t>(count), m_tamanhoArquivo - position));
        file.write(m_buffer.data() + skipped, count);
        m_bytesRecebidos += static_cast<std::int64_t>(count);
        position += static_cast<std::int64_t>(count);
        m_totalRecebido = position;
        updateStatistics(position);
        ReportProgress(position);
        if (position == m_tamanhoArquivo || !MBaixando)
            break;
    }
    flushLabels();
    file.close();
    request.reset();
    session.reset();
    if (position == m_tamanhoArquivo)
        return PassEnd::Return;
    if (!MBaixando)
        ReportStatus("Download pausado!");
    return PassEnd::NextPass;
}

// InternetReadFile. A body cut short leaves no error: the pass ends and the next one
// resumes from there.
std::size_t TMHttpGetResume::readBlock(HttpRequest& request, char* buffer, std::size_t size) {
    m_lastError = 0;
    m_stopRequested = false;
    m_stalled = false;
    m_lastActivity = m_clock->steady();
    try {
        return request.read(buffer, size);
    } catch (const HttpTransportError& e) {
        m_lastError = codeOf(e.failure());
        return 0;
    }
}

// The rate is the average over the bytes received since the transfer began; the bytes
// that were already in the file do not count. Times are held whole, so they stay right
// however long the transfer runs.
void TMHttpGetResume::updateStatistics(std::int64_t position) {
    m_tempoDecorrido = m_clock->now() - m_tempoInicial;
    m_tempoDownload = std::round(m_tempoDecorrido * 86400000.0) / 1000.0;
    if (m_tempoDownload > 0 && m_bytesRecebidos > 0) {
        m_taxaTransferencia = static_cast<double>(m_bytesRecebidos) / 1024.0 / m_tempoDownload;
        m_tempoEstimado = static_cast<double>(m_tamanhoArquivo - position) / 1024.0 / m_taxaTransferencia;
    }
}

void TMHttpGetResume::refreshLabels(std::int64_t position) {
    if (MLblRecebido != nullptr)
        MLblRecebido->setCaption(receivedCaption(position, m_tamanhoArquivo, m_numberFormat));
    if (MLblRestante != nullptr)
        MLblRestante->setCaption(remainingCaption(position, m_tamanhoArquivo, m_numberFormat));
    if (MLblTempoDecorrido != nullptr)
        MLblTempoDecorrido->setCaption(formatTimeOfDay(m_tempoDecorrido, m_numberFormat) + " s");
    if (MLblTempoRestante != nullptr)
        MLblTempoRestante->setCaption(remainingTimeCaption(m_tempoEstimado, m_numberFormat));
    if (MLblTaxaTransferencia != nullptr)
        MLblTaxaTransferencia->setCaption(rateCaption(m_taxaTransferencia, m_numberFormat));
}

// Shows the captions that the refresh limit held back.
void TMHttpGetResume::flushLabels() {
    if (!m_labelsPending)
        return;
    m_labelsPending = false;
    try {
        refreshLabels(m_pendingPosition);
    } catch (const std::exception& e) {
        ReportStatus(e.what());
    }
}

void TMHttpGetResume::ReportProgress(std::int64_t position) {
    try {
        if (MProgressBar != nullptr)
            MProgressBar->setPosition(position);
        // Painting a caption costs more than a buffer takes to arrive on a fast link, so the
        // captions follow at most every kLabelRefresh; the last value is shown at the end.
        const std::chrono::milliseconds now = m_clock->steady();
        if (!m_labelsShown || now - m_lastLabelRefresh >= kLabelRefresh) {
            m_labelsShown = true;
            m_labelsPending = false;
            m_lastLabelRefresh = now;
            refreshLabels(position);
        } else {
            m_labelsPending = true;
            m_pendingPosition = position;
        }
        if (MOnProgress)
            MOnProgress(*this);
        pump();
    } catch (const std::exception& e) {
        ReportStatus(e.what());
    }
}

} // namespace sw
