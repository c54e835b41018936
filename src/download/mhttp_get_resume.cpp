#include "download/mhttp_get_resume.h"

#include "download/internet_errors.h"
#include "download/local_file.h"
#include "download/progress_captions.h"
#include "platform/http_request.h"
#include "platform/http_session.h"
#include "platform/http_transport_error.h"
#include "platform/http_url.h"

#include <cctype>

namespace sw {

namespace {

// True when `url` begins with "scheme://" (RFC 3986 3.1: a letter, then letters, digits,
// '+', '-' or '.'), so an https:// or ftp:// address is not taken for a host name.
bool hasScheme(const std::string& url) {
    const std::size_t end = url.find("://");
    if (end == std::string::npos || end == 0 || !std::isalpha(static_cast<unsigned char>(url[0])))
        return false;
    for (std::size_t i = 1; i < end; ++i) {
        const unsigned char c = static_cast<unsigned char>(url[i]);
        if (!std::isalnum(c) && c != '+' && c != '-' && c != '.')
            return false;
    }
    return true;
}

// The path and query of an absolute URL ("/" when it names none), without the fragment.
std::string objectOf(const std::string& url) {
    const std::size_t authority = url.find("://") + 3;
    const std::size_t start = url.find_first_of("/?#", authority);
    if (start == std::string::npos || url[start] == '#')
        return "/";
    std::string object = url.substr(start, url.find('#', start) - start);
    if (object.front() == '?')
        object.insert(object.begin(), '/');
    return object;
}

} // namespace

TMHttpGetResume::TMHttpGetResume()
    : m_clock(&SystemDownloadClock::instance()), m_numberFormat(NumberFormatSettings::fromLocale()) {}

TMHttpGetResume::~TMHttpGetResume() = default;

void TMHttpGetResume::pump() {
    if (m_pump)
        m_pump();
}

void TMHttpGetResume::ReportStatus(const std::string& text) {
    if (MOnStatus)
        MOnStatus(*this, text);
    pump();
}

void TMHttpGetResume::CheckInternetError() {
    const std::uint32_t code = m_lastError;
    if (code < kInternetErrorFirst || code > kInternetErrorLast)
        return;
    if (const auto message = internetErrorMessage(code)) {
        m_erro = true;
        ReportStatus("<<< " + std::to_string(code) + " - " + std::string(*message) + " >>>");
    } else {
        ReportStatus("<<< " + std::to_string(code) +
                     " - ERRO NÃO PREVISTO - Por favor, verifique o código do erro. >>>");
        m_erro = true;
    }
}

// A final answer outside 200-299 is a failure like a WinINet one, but its text names the HTTP
// status, and nothing of its body reaches the file.
void TMHttpGetResume::reportHttpStatus(const HttpRequest& request) {
    m_erro = true;
    const std::string& reason = request.reasonPhrase();
    ReportStatus("<<< " + std::to_string(request.statusCode()) + " - HTTP" +
                 (reason.empty() ? "" : " " + reason) + " >>>");
}

std::uint32_t TMHttpGetResume::codeOf(HttpFailure failure) const {
    if (failure == HttpFailure::Aborted) {
        if (m_stalled)
            return wininet::kTimeout;
        if (m_stopRequested)
            return 0; // the user stopped the download: no failure
    }
    return internetErrorCode(failure);
}

TMHttpGetResume::UrlParts TMHttpGetResume::SplitUrl(const std::string& url) {
    MURL = hasScheme(url) ? url : "http://" + url;
    UrlParts parts;
    m_lastError = 0;
    try {
        checkHttpUrl(requestUrl());
        parts.host = urlHostName(MURL);
        parts.object = objectOf(MURL);
    } catch (const HttpTransportError& e) {
        m_lastError = codeOf(e.failure());
    }
    CheckInternetError();
    return parts;
}

// InternetOpenA with INTERNET_OPEN_TYPE_PRECONFIG: the system's proxy settings.
void TMHttpGetResume::openInternet(std::unique_ptr<HttpSession>& session) {
    session = std::make_unique<HttpSession>(HttpSessionSettings{HttpProxyMode::System});
    m_lastError = 0;
}

// The address as the request line carries it: spaces and other bytes a request line cannot
// hold are escaped (as the catalogue's client does), the fragment dropped. A user name and
// password in it are never sent (the transport drops them).
std::string TMHttpGetResume::requestUrl() const {
    return escapeHttpUrl(MURL);
}

// HttpOpenRequestA: libcurl takes the whole request at once, so this step validates the
// address and collects the verb; the Range step adds its line before the send.
void TMHttpGetResume::openRequest(const std::string& verb) {
    m_lastError = 0;
    try {
        checkHttpUrl(requestUrl());
    } catch (const HttpTransportError& e) {
        m_lastError = codeOf(e.failure());
    }
    m_requestVerb = verb;
    m_requestHeaders = {"User-Agent: MHttpGetResume"};
}

// HttpSendRequestA: returns once the response headers have arrived.
void TMHttpGetResume::sendRequest(HttpSession& session, std::unique_ptr<HttpRequest>& request) {
    m_lastError = 0;
    m_stopRequested = false;
    m_stalled = false;
    m_lastActivity = m_clock->steady();
    HttpRequestSettings settings;
    settings.method = m_requestVerb;
    settings.url = requestUrl();
    settings.headers = m_requestHeaders;
    try {
        request = std::make_unique<HttpRequest>(session, std::move(settings));
        request->setWaitCallback([this] { return waitCallback(); }, m_pumpInterval);
        request->receiveResponse();
    } catch (const HttpTransportError& e) {
        m_lastError = codeOf(e.failure());
    }
}

// WinINet's request steps in their order, each checked by CheckInternetError; once MErro is
// set the later steps are skipped. With `rangeFrom` the Range line asks for the rest of the
// file from there; `sendStatus`, when given, is shown just before the request goes out.
void TMHttpGetResume::requestSteps(const std::string& verb, std::optional<std::int64_t> rangeFrom,
                                   const char* sendStatus, std::unique_ptr<HttpSession>& session,
                                   std::unique_ptr<HttpRequest>& request) {
    if (!m_erro)
        openInternet(session);
    CheckInternetError();
    if (!m_erro)
        m_lastError = 0; // InternetConnectA: libcurl connects when the request goes out
    CheckInternetError();
    if (!m_erro)
        openRequest(verb);
    CheckInternetError();
    if (!m_erro && rangeFrom) {
        ReportStatus("Download a ser resumido, definindo escopo...");
        m_requestHeaders.push_back("Range: bytes=" + std::to_string(*rangeFrom) + "-");
        m_lastError = 0;
        CheckInternetError();
    }
    if (!m_erro) {
        if (sendStatus != nullptr)
            ReportStatus(sendStatus);
        sendRequest(*session, request);
    }
    CheckInternetError();
}

// Runs while a step waits for the network: the pump keeps the window alive and its close
// button able to stop the download; a step that receives nothing for kStallLimit fails.
// Time spent in the pump's handlers (a message box, say) is not the network's.
bool TMHttpGetResume::waitCallback() {
    const std::chrono::milliseconds before = m_clock->steady();
    if (before - m_lastActivity >= m_stallLimit) {
        m_stalled = true;
        return false;
    }
    pump();
    m_lastActivity += m_clock->steady() - before;
    if (m_running && !MBaixando) {
        m_stopRequested = true;
        return false;
    }
    return true;
}

std::int64_t TMHttpGetResume::QueryRemoteSize(const std::string& url) {
    SplitUrl(url);
    std::unique_ptr<HttpSession> session;
    std::unique_ptr<HttpRequest> request;
    if (!m_erro) {
        ReportStatus("Verificando tamanho do download...");
        requestSteps("HEAD", std::nullopt, nullptr, session, request);
    }
    if (m_erro || m_stopRequested || !request)
        return 0;
    // Only a success is the file: a redirect that was not followed (no Location) or an error
    // answer says nothing about its size.
    if (request->statusCode() < 200 || request->statusCode() > 299) {
        reportHttpStatus(*request);
        return 0;
    }
    const std::optional<std::int64_t> length = request->contentLength();
    m_lastError = length ? 0 : wininet::kHeaderNotFound;
    CheckInternetError();
    return length.value_or(0);
}

void TMHttpGetResume::StartDownload() {
    if (MBaixando)
        return;
    // Each automatic reconnection starts the download again from the size probe; it goes
    // round this loop instead of nesting, so the stack stays flat however many there are.
    for (;;) {
        MBaixando = true;
        m_restartCount = 0;
        m_erro = false;
        m_reconnectPending = false;
        m_running = true;
        bool reconnect = false;
        try {
            if (MVezesAutoReconectar != 0 && m_reconnectAttempt > MVezesAutoReconectar) {
                m_erro = false;
                MBaixando = false;
                m_reconnectAttempt = 1;
                ReportStatus(" -> Número máximo de reconexões automáticas já feitos (" +
                             std::to_string(MVezesAutoReconectar) + ")!");
                ReportStatus(" -> Experimente novamente mais tarde!");
            } else {
                reconnect = runDownload();
            }
        } catch (const std::exception& e) {
            try {
                ReportStatus(e.what());
            } catch (...) {
            }
        } catch (...) {
        }
        MBaixando = false;
        m_running = false;
        if (!reconnect)
            return;
    }
}

bool TMHttpGetResume::runDownload() {
    m_tamanhoArquivo = QueryRemoteSize(MURL);
    if (MLblTotal != nullptr)
        MLblTotal->setCaption(totalCaption(m_tamanhoArquivo, m_numberFormat));
    if (m_tamanhoArquivo <= 0 && !m_erro)
        return false;
    m_localSize = LocalFile::sizeOf(downloadFilePath(MArquivoLocal)).value_or(0);
    // A local file longer than the remote one is not a part of it: fetch it again whole.
    if (m_localSize > m_tamanhoArquivo && !m_erro)
        m_localSize = 0;
    if (m_tamanhoArquivo == m_localSize && !m_erro) {
        MBaixando = false;
        FinishDownload();
        return false;
    }
    if (MProgressBar != nullptr) {
        MProgressBar->setRange(0, m_tamanhoArquivo);
        MProgressBar->setPosition(m_localSize);
    }
    m_tempoInicial = m_clock->now();
    m_localSize = TransferFrom(MURL, MArquivoLocal, m_localSize);
    if (m_reconnectPending)
        return true;
    if (MBaixando)
        FinishDownload();
    return false;
}

void TMHttpGetResume::reconnectWait() {
    using std::chrono::milliseconds;
    m_reconnectCountdown = MTempoAutoReconectar;
    if (MLblNumAutoRecon != nullptr)
        MLblNumAutoRecon->setCaption(std::to_string(m_reconnectAttempt));
    ++m_reconnectAttempt;
    ReportStatus("Aguarde, reconectando em " + std::to_string(MTempoAutoReconectar) + " segundos...");
    pump();
    while (m_reconnectCountdown >= 0 && MAutoReconectar) {
        if (MLblTempoAutoRecon != nullptr)
            MLblTempoAutoRecon->setCaption(std::to_string(m_reconnectCountdown) + " s");
        pump();
        // The second is slept in tenths with the pump between them, so the window answers
        // (and clearing MAutoReconectar ends the wait) within 100 ms.
        for (int tenth = 0; tenth < 10 && MAutoReconectar; ++tenth) {
            m_clock->sleep(milliseconds(100));
            if (tenth < 9)
                pump();
        }
        --m_reconnectCountdown;
    }
    // The download starts again from the size probe (see StartDownload).
    MBaixando = false;
    m_reconnectPending = true;
}

void TMHttpGetResume::FinishDownload() {
    if (MBaixando && !m_erro && m_localSize == m_tamanhoArquivo) {
        ReportStatus("Download concluído com sucesso!");
        MBaixando = false;
    } else if (!MBaixando && !m_erro) {
        ReportStatus("Download já efetuado e concluído com sucesso!");
    }
    if (MOnConcluido)
        MOnConcluido(*this);
}

} // namespace sw
