#include "test_certificates.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

namespace linkvane::testing {
namespace {

const char* const kNewKey = " -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2";

void Run(const std::string& command) {
    if (std::system((command + " >/dev/null 2>&1").c_str()) != 0)
        throw std::runtime_error("failed: " + command);
}

std::string FingerprintOf(const std::filesystem::path& certificate) {
    const std::string command =
        "openssl x509 -noout -fingerprint -sha256 -in " + certificate.string();
    FILE* pipe = ::popen(command.c_str(), "r");
    char line[256] = {};
    const bool read = pipe != nullptr && std::fgets(line, sizeof line, pipe) != nullptr;
    if (pipe == nullptr || ::pclose(pipe) != 0 || !read)
        throw std::runtime_error("failed: " + command);
    std::string text = line;  // "sha256 Fingerprint=AB:CD:...\n"
    text = text.substr(text.find('=') + 1);
    return text.substr(0, text.find('\n'));
}

}  // namespace

TestCertificates::TestCertificates() {
    std::string pattern = (std::filesystem::temp_directory_path() / "linkvane-certs-XXXXXX");
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed");
    m_dir = pattern;
    // A configuration of our own, so that the system's defaults add no extensions.
    std::ofstream(m_dir / "openssl.cnf")
        << "[req]\ndistinguished_name = dn\nprompt = no\n[dn]\nCN = unused\n";
    m_authority = m_dir / "authority.pem";
    Run("openssl req -config " + (m_dir / "openssl.cnf").string() + " -x509" + kNewKey +
        " -keyout " + (m_dir / "authority.key").string() + " -out " + m_authority.string() +
        " -subj '/CN=Linkvane Test Authority' -addext basicConstraints=critical,CA:TRUE"
        " -addext keyUsage=critical,keyCertSign");
    localhost = Make("localhost", "DNS:localhost,IP:127.0.0.1", true);
    replaced = Make("replaced", "DNS:localhost,IP:127.0.0.1", true);
    elsewhere = Make("elsewhere", "DNS:mail.example.org", true);
    selfSigned = Make("self-signed", "DNS:localhost,IP:127.0.0.1", false);
}

TestCertificates::~TestCertificates() {
    std::error_code ignored;
    std::filesystem::remove_all(m_dir, ignored);
}

CertificateFiles TestCertificates::Make(const std::string& name, const std::string& names,
                                        bool byAuthority) {
    CertificateFiles files{m_dir / (name + ".pem"), m_dir / (name + ".key"), {}};
    const std::string issuer = byAuthority ? " -CA " + m_authority.string() + " -CAkey " +
                                                 (m_dir / "authority.key").string()
                                           : "";
    Run("openssl req -config " + (m_dir / "openssl.cnf").string() + " -x509" + kNewKey + issuer +
        " -keyout " + files.key.string() + " -out " + files.certificate.string() + " -subj '/CN=" +
        name + "' -addext subjectAltName=" + names + " -addext basicConstraints=CA:FALSE");
    files.fingerprint = FingerprintOf(files.certificate);
    return files;
}

}  // namespace linkvane::testing
