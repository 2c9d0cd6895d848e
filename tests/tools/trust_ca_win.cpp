// trust_ca.exe <certificate file>: adds a CA certificate (DER, or PEM with its header) to
// the LocalMachine "Root" system store of the Wine prefix it runs in, so that WinHTTP
// there trusts the stand-in services' certificates. Exit code 0 on success.
#include <windows.h>
#include <wincrypt.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

struct StoreCloser {
  HCERTSTORE store;
  ~StoreCloser() {
    if (store) CertCloseStore(store, 0);
  }
};

int Fail(const char* what) {
  std::fprintf(stderr, "trust_ca: %s failed (error %lu)\n", what, GetLastError());
  return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: trust_ca <certificate file>\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  std::vector<BYTE> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (!in.good() && !in.eof()) return Fail("reading the certificate file");
  if (data.empty()) {
    std::fprintf(stderr, "trust_ca: empty or missing certificate file\n");
    return 1;
  }

  std::vector<BYTE> der = data;
  const std::string head(data.begin(), data.begin() + std::min<size_t>(data.size(), 11));
  if (head == "-----BEGIN ") {
    DWORD size = 0;
    if (!CryptStringToBinaryA(reinterpret_cast<const char*>(data.data()), static_cast<DWORD>(data.size()),
                              CRYPT_STRING_BASE64HEADER, nullptr, &size, nullptr, nullptr))
      return Fail("decoding PEM");
    der.resize(size);
    if (!CryptStringToBinaryA(reinterpret_cast<const char*>(data.data()), static_cast<DWORD>(data.size()),
                              CRYPT_STRING_BASE64HEADER, der.data(), &size, nullptr, nullptr))
      return Fail("decoding PEM");
    der.resize(size);
  }

  StoreCloser root{CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, L"Root")};
  if (!root.store) return Fail("opening the LocalMachine Root store");
  if (!CertAddEncodedCertificateToStore(root.store, X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size()),
                                        CERT_STORE_ADD_REPLACE_EXISTING, nullptr))
    return Fail("adding the certificate");
  return 0;
}
