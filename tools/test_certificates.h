#pragma once

// A certificate authority and server certificates made for one test (or benchmark) with the
// openssl command, in a private temporary directory that goes with the object. EC P-256 keys,
// valid for two days. The fingerprints are openssl's own reading, for tests to compare with.

#include <filesystem>
#include <string>

namespace linkvane::testing {

struct CertificateFiles {
    std::filesystem::path certificate;  // PEM
    std::filesystem::path key;          // PEM, unencrypted
    std::string fingerprint;            // SHA-256, "AB:CD:..."
};

class TestCertificates {
  public:
    // Throws std::runtime_error when openssl fails.
    TestCertificates();
    ~TestCertificates();
    TestCertificates(const TestCertificates&) = delete;
    TestCertificates& operator=(const TestCertificates&) = delete;

    // The authority: trust it with SSL_CERT_FILE.
    const std::filesystem::path& authority() const { return m_authority; }

    CertificateFiles localhost;   // by the authority, for localhost and 127.0.0.1
    CertificateFiles replaced;    // by the authority for the same names: another certificate
    CertificateFiles elsewhere;   // by the authority, for mail.example.org only
    CertificateFiles selfSigned;  // by itself, for localhost and 127.0.0.1

  private:
    CertificateFiles Make(const std::string& name, const std::string& names, bool byAuthority);

    std::filesystem::path m_dir;
    std::filesystem::path m_authority;
};

}  // namespace linkvane::testing
