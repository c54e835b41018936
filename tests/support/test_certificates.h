#pragma once

// Certificates for TLS tests, made by the openssl command on first use (once per process)
// in a temporary folder: an authority of the tests' own and, signed by it, a certificate for
// 127.0.0.1 and localhost and one for another host name. available() is false (with a reason)
// when openssl could not make them; tests then skip.

#include <string>

namespace sw::test {

struct TestCertificates {
    std::string authority;  // the authority's certificate (PEM): what a client trusts
    std::string serverCert; // for IP 127.0.0.1 and DNS localhost
    std::string serverKey;
    std::string otherNameCert; // for DNS other.invalid only
    std::string otherNameKey;
    std::string problem; // empty when the files are there

    bool available() const { return problem.empty(); }

    static const TestCertificates& get();
};

} // namespace sw::test
