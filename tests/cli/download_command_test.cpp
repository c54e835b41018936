#include "cli_runner.h"

#include "support/temp_dir.h"
#include "support/test_http_server.h"

#include <gtest/gtest.h>

namespace sw::test {
namespace {

std::string bytesOf(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 7 + i / 13) & 0xFF);
    return bytes;
}

TEST(DownloadCommand, FetchesAndResumesPrintingEveryStatus) {
    TempDir dir;
    TestHttpServer server;
    const std::string body = bytesOf(300000);
    server.addFile("/p.zip", body);
    const std::string file = (dir / "p.zip").string();

    CliResult first = runTool({"download", server.url("/p.zip"), file});
    EXPECT_EQ(first.status, 0);
    EXPECT_EQ(first.out, "");
    EXPECT_EQ(first.err, "Verificando tamanho do download...\n"
                         "Enviando requisição ao servidor...\n"
                         "Iniciando download...\n"
                         "Download concluído com sucesso!\n");
    EXPECT_EQ(readFile(dir / "p.zip"), body);

    CliResult again = runTool({"download", server.url("/p.zip"), file});
    EXPECT_EQ(again.status, 0);
    EXPECT_EQ(again.err, "Verificando tamanho do download...\n"
                         "Download já efetuado e concluído com sucesso!\n");

    writeFile(dir / "p.zip", body.substr(0, 1000));
    CliResult resumed = runTool({"download", server.url("/p.zip"), file});
    EXPECT_EQ(resumed.status, 0);
    EXPECT_NE(resumed.err.find("Resumindo download...\n"), std::string::npos);
    EXPECT_EQ(server.lastRequest().header("Range"), "bytes=1000-");
    EXPECT_EQ(readFile(dir / "p.zip"), body);
}

TEST(DownloadCommand, FailuresExitWithOne) {
    TempDir dir;
    TestHttpServer server;
    const std::string file = (dir / "p.zip").string();

    CliResult missing = runTool({"download", server.url("/missing.zip"), file});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "Verificando tamanho do download...\n<<< 404 - HTTP Not Found >>>\n");

    // The body stops short and the server then refuses: the file is not whole.
    TestHttpResponse head;
    head.body = bytesOf(5000);
    TestHttpResponse cut = head;
    cut.cutAfter = 2000;
    TestHttpResponse refused;
    refused.status = 500;
    refused.reason = "Internal Server Error";
    server.setResponseSequence("/cut.zip", {head, cut, refused});
    CliResult partial = runTool({"download", server.url("/cut.zip"), file});
    EXPECT_EQ(partial.status, 1);
    EXPECT_NE(partial.err.find("<<< 500 - HTTP Internal Server Error >>>\n"), std::string::npos);
    EXPECT_EQ(readFile(dir / "p.zip"), head.body.substr(0, 2000));

    // Wrong argument counts.
    EXPECT_EQ(runTool({"download", server.url("/p.zip")}).status, 2);
    EXPECT_EQ(runTool({"download"}).status, 2);
}

} // namespace
} // namespace sw::test
