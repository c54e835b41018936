#pragma once

// TMHttpGetResume: fetches one file over HTTP into a local file, resuming what the file
// already holds. It asks for the size with a HEAD request, then GETs the rest with
// "Range: bytes=N-", in passes: a body that ends early starts the next pass from where it
// stopped. It works on the caller's thread and keeps the window alive by running the
// message pump after every status text and every buffer, and at least every 100 ms while
// the network keeps it waiting; clearing MBaixando from a handler run by the pump stops it.
//
// The steps are WinINet's (open, connect, open request, add the Range line, send, query
// Content-Length, read, close) over the libcurl transport. Each step leaves a WinINet error
// code behind, as GetLastError would; CheckInternetError reads it after every step, and
// once MErro is set the later steps are skipped. Failures never leave StartDownload: they
// become status texts, with MErro set.

#include "download/download_clock.h"
#include "download/linked_controls.h"
#include "download/number_format.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace sw {

class HttpRequest;
class HttpSession;
enum class HttpFailure;

class TMHttpGetResume;
using TOnProgressEvent = std::function<void(TMHttpGetResume& Sender)>;
using TOnConcluidoEvent = std::function<void(TMHttpGetResume& Sender)>;
using TOnStatusEvent = std::function<void(TMHttpGetResume& Sender, const std::string& sMsg)>;

class TMHttpGetResume {
public:
    TMHttpGetResume();
    ~TMHttpGetResume();
    TMHttpGetResume(const TMHttpGetResume&) = delete;
    TMHttpGetResume& operator=(const TMHttpGetResume&) = delete;

    // Published properties. MUsuario, MSenha, MPorta, MServidorProxy and MPortaProxy are
    // kept but take no part in the transfer: the port and scheme come from MURL, and the
    // proxy from the system's settings (http_proxy, https_proxy, no_proxy).
    std::string MURL;
    std::string MUsuario;
    std::string MSenha;
    std::int32_t MPorta = 80;
    std::string MServidorProxy;
    std::int32_t MPortaProxy = 3128;
    std::string MArquivoLocal;
    bool MBaixando = false;
    bool MAutoReconectar = false;
    std::int32_t MTempoAutoReconectar = 15;
    std::int32_t MVezesAutoReconectar = 5;

    bool MErro() const { return m_erro; }
    std::int64_t MTamanhoArquivo() const { return m_tamanhoArquivo; }
    std::int64_t MBytesRecebidos() const { return m_bytesRecebidos; }
    std::int64_t MTotalRecebido() const { return m_totalRecebido; }
    double MTempoDownload() const { return m_tempoDownload; }         // seconds
    double MTaxaTransferencia() const { return m_taxaTransferencia; } // KB/s
    double MTempoEstimado() const { return m_tempoEstimado; }         // seconds

    LinkedProgressBar* MProgressBar = nullptr;
    LinkedLabel* MLblTotal = nullptr;
    LinkedLabel* MLblRecebido = nullptr;
    LinkedLabel* MLblRestante = nullptr;
    LinkedLabel* MLblTaxaTransferencia = nullptr;
    LinkedLabel* MLblTempoRestante = nullptr;
    LinkedLabel* MLblTempoDecorrido = nullptr;
    LinkedLabel* MLblTempoAutoRecon = nullptr;
    LinkedLabel* MLblNumAutoRecon = nullptr;

    TOnProgressEvent MOnProgress;
    TOnConcluidoEvent MOnConcluido;
    TOnStatusEvent MOnStatus;

    // The address the requests for MURL give the transport.
    std::string requestUrl() const;

    // Runs a whole download of MURL into MArquivoLocal; returns when it has ended, been
    // stopped or failed. Never throws.
    void StartDownload();

    // The surroundings, injected: the message pump (the program's runs
    // QCoreApplication::processEvents), the clock, the separators and time format of the
    // labels, and how often the pump runs while the network keeps a step waiting.
    void setMessagePump(std::function<void()> pump) { m_pump = std::move(pump); }
    void setClock(DownloadClock& clock) { m_clock = &clock; }
    void setNumberFormat(NumberFormatSettings settings) { m_numberFormat = std::move(settings); }
    void setPumpInterval(std::chrono::milliseconds interval) { m_pumpInterval = interval; }

    // A step that receives nothing for this long fails with ERROR_INTERNET_TIMEOUT: by default
    // kStallLimit, a minute.
    static constexpr std::chrono::milliseconds kStallLimit{60000};
    void setStallLimit(std::chrono::milliseconds limit) { m_stallLimit = limit; }
    // Passes in a row that may end without taking the file past the largest size it reached
    // before the download ends with ERROR_INTERNET_CONNECTION_ABORTED (a server that ignores
    // Range and cuts every answer short would otherwise be asked again forever).
    static constexpr int kMaxPassesWithoutProgress = 3;
    // Label captions are refreshed at most this often (the last value is always shown).
    static constexpr std::chrono::milliseconds kLabelRefresh{30};
    // Bytes asked for by each read.
    static constexpr std::size_t kReadBufferSize = 64 * 1024;

    // The internal operations, in the order in which they call each other. Public so that
    // tests can drive them one by one; callers use StartDownload.
    struct UrlParts {
        std::string host;
        std::string object; // path and query
    };
    std::int64_t QueryRemoteSize(const std::string& url);
    UrlParts SplitUrl(const std::string& url);
    std::int64_t TransferFrom(const std::string& url, const std::string& localFile, std::int64_t offset);
    void ReportProgress(std::int64_t position);
    void ReportStatus(const std::string& text);
    void CheckInternetError();
    void FinishDownload();

    // The code the last WinINet step left behind (SetLastError).
    void setLastInternetError(std::uint32_t code) { m_lastError = code; }
    std::int32_t ReconnectAttempt() const { return m_reconnectAttempt; }
    std::int32_t RestartCount() const { return m_restartCount; }

private:
    enum class PassEnd { Return, NextPass };

    bool runDownload(); // StartDownload's steps after the maximum check; true: reconnect
    PassEnd transferPass(const std::string& localFile, std::int64_t& position);
    void reconnectWait();
    void updateStatistics(std::int64_t position);
    void refreshLabels(std::int64_t position);
    void pump();

    // WinINet's steps over the transport; each leaves m_lastError.
    void openInternet(std::unique_ptr<HttpSession>& session);
    void openRequest(const std::string& verb);
    void sendRequest(HttpSession& session, std::unique_ptr<HttpRequest>& request);
    void requestSteps(const std::string& verb, std::optional<std::int64_t> rangeFrom, const char* sendStatus,
                      std::unique_ptr<HttpSession>& session, std::unique_ptr<HttpRequest>& request);
    std::size_t readBlock(HttpRequest& request, char* buffer, std::size_t size);
    bool waitCallback();
    std::uint32_t codeOf(HttpFailure failure) const;
    void reportHttpStatus(const HttpRequest& request);
    void flushLabels();

    bool m_erro = false;
    std::int64_t m_tamanhoArquivo = 0;
    std::int64_t m_bytesRecebidos = 0;
    std::int64_t m_totalRecebido = 0;
    double m_tempoInicial = 0;   // start of the transfer (days, TDateTime)
    double m_tempoDecorrido = 0; // days since m_tempoInicial
    double m_tempoDownload = 0;
    double m_taxaTransferencia = 0;
    double m_tempoEstimado = 0;

    std::int64_t m_localSize = 0;    // LocalSize
    std::int32_t m_restartCount = 0; // RestartCount
    std::int32_t m_reconnectCountdown = 0;
    std::int32_t m_reconnectAttempt = 1;
    bool m_reconnectPending = false;
    std::uint32_t m_lastError = 0;

    // The request being prepared by the open/add-header steps, sent by the send step.
    std::string m_requestVerb;
    std::vector<std::string> m_requestHeaders;
    bool m_running = false;       // inside StartDownload
    bool m_stopRequested = false; // the wait callback saw MBaixando cleared
    bool m_stalled = false;       // ...or nothing arrive for m_stallLimit
    std::chrono::milliseconds m_stallLimit = kStallLimit;
    bool m_askWhole = false;      // the next pass asks for the whole file, without Range
    std::int64_t m_passBytes = 0; // body bytes that arrived in the current pass
    std::chrono::milliseconds m_lastActivity{0};

    bool m_labelsShown = false;
    bool m_labelsPending = false;
    std::int64_t m_pendingPosition = 0;
    std::chrono::milliseconds m_lastLabelRefresh{0};

    std::function<void()> m_pump;
    DownloadClock* m_clock;
    NumberFormatSettings m_numberFormat;
    std::chrono::milliseconds m_pumpInterval{100};
    std::vector<char> m_buffer;
};

} // namespace sw
