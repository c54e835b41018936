#include "support/test_certificates.h"

#include "support/temp_dir.h"

#include <cstdlib>
#include <memory>

namespace sw::test {

namespace {

const char* const kConfig = "[req]\n"
                            "distinguished_name = dn\n"
                            "prompt = no\n"
                            "[dn]\n"
                            "CN = Skinwright Test Authority\n"
                            "[authority]\n"
                            "basicConstraints = critical, CA:TRUE\n"
                            "keyUsage = critical, keyCertSign, cRLSign\n"
                            "subjectKeyIdentifier = hash\n"
                            "[server]\n"
                            "basicConstraints = CA:FALSE\n"
                            "keyUsage = critical, digitalSignature\n"
                            "extendedKeyUsage = serverAuth\n"
                            "subjectAltName = IP:127.0.0.1, DNS:localhost\n"
                            "[other]\n"
                            "basicConstraints = CA:FALSE\n"
                            "keyUsage = critical, digitalSignature\n"
                            "extendedKeyUsage = serverAuth\n"
                            "subjectAltName = DNS:other.invalid\n";

bool run(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

TestCertificates make() {
    // Kept for the whole process: the files are read whenever a server or client starts.
    static std::unique_ptr<TempDir> folder = std::make_unique<TempDir>();
    const std::string dir = folder->str() + "/";
    TestCertificates c;
    c.authority = dir + "authority.pem";
    c.serverCert = dir + "server.pem";
    c.serverKey = dir + "server.key";
    c.otherNameCert = dir + "other.pem";
    c.otherNameKey = dir + "other.key";
    writeFile(dir + "openssl.cnf", kConfig);
    const std::string cnf = " -config '" + dir + "openssl.cnf'";
    const std::string ecKey = " -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes";
    auto sign = [&](const std::string& name, const std::string& section) {
        return run("openssl req -new" + cnf + ecKey + " -keyout '" + dir + name + ".key' -out '" + dir +
                   name + ".csr' -subj /CN=" + section) &&
               run("openssl x509 -req -in '" + dir + name + ".csr' -CA '" + c.authority + "' -CAkey '" + dir +
                   "authority.key' -set_serial " + std::to_string(section.size()) + " -days 3 -out '" + dir +
                   name + ".pem' -extfile '" + dir + "openssl.cnf' -extensions " + section);
    };
    if (!run("openssl req -x509" + cnf + " -extensions authority" + ecKey + " -keyout '" + dir +
             "authority.key' -out '" + c.authority + "' -days 3") ||
        !sign("server", "server") || !sign("other", "other"))
        c.problem = "the openssl command could not make the test certificates";
    return c;
}

} // namespace

const TestCertificates& TestCertificates::get() {
    static const TestCertificates certificates = make();
    return certificates;
}

} // namespace sw::test
