#pragma once
// A local HTTPS server for tests of the clients that speak https only: a self-signed certificate for
// 127.0.0.1 made in the test (OpenSSL), written as PEM for the client to trust explicitly, and one
// connection at a time answered by the responder (see tiny_http_server.h). Every wait is bounded.
//
// Link OpenSSL::SSL and OpenSSL::Crypto.

#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>
#include <sys/socket.h>
#include <sys/time.h>

#include <csignal>
#include <cstdio>
#include <string>

#include "support/tiny_http_server.h"

namespace orvel_test {

class TinyHttpsServer {
 public:
  // certificatePath: where the server's certificate is written (PEM) for the client to trust.
  TinyHttpsServer(const std::string& certificatePath, TinyHttpServer::Responder responder)
      : certificatePath_(certificatePath), responder_(std::move(responder)) {
    // A client that hangs up during the handshake (an untrusted certificate) must not end the test
    // program through a write to its closed socket.
    signal(SIGPIPE, SIG_IGN);
    if (!makeContext()) return;
    listener_ = listenOnLoopback(&port_);
    if (listener_ >= 0) thread_ = std::thread([this] { run(); });
  }
  ~TinyHttpsServer() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    if (listener_ >= 0) close(listener_);
    if (context_ != nullptr) SSL_CTX_free(context_);
  }
  TinyHttpsServer(const TinyHttpsServer&) = delete;
  TinyHttpsServer& operator=(const TinyHttpsServer&) = delete;

  bool ready() const { return listener_ >= 0; }
  int port() const { return port_; }
  std::string base() const { return "https://127.0.0.1:" + std::to_string(port_); }
  const std::string& certificatePath() const { return certificatePath_; }
  // The request lines and headers received, one string per request.
  std::vector<std::string> requests() {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
  }

 private:
  bool makeContext() {
    EVP_PKEY* key = EVP_PKEY_Q_keygen(nullptr, nullptr, "EC", "P-256");
    X509* certificate = X509_new();
    bool ok = key != nullptr && certificate != nullptr;
    if (ok) {
      X509_set_version(certificate, 2);
      ASN1_INTEGER_set(X509_get_serialNumber(certificate), 1);
      X509_gmtime_adj(X509_getm_notBefore(certificate), -3600);
      X509_gmtime_adj(X509_getm_notAfter(certificate), 3600L * 24);
      X509_set_pubkey(certificate, key);
      X509_NAME* name = X509_get_subject_name(certificate);
      X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                                 reinterpret_cast<const unsigned char*>("127.0.0.1"), -1, -1, 0);
      X509_set_issuer_name(certificate, name);
      X509V3_CTX v3;
      X509V3_set_ctx_nodb(&v3);
      X509V3_set_ctx(&v3, certificate, certificate, nullptr, nullptr, 0);
      for (auto [nid, value] : {std::pair<int, const char*>{NID_subject_alt_name, "IP:127.0.0.1"},
                                {NID_basic_constraints, "critical,CA:TRUE"}}) {
        X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &v3, nid, value);
        ok = ok && extension != nullptr && X509_add_ext(certificate, extension, -1) == 1;
        if (extension != nullptr) X509_EXTENSION_free(extension);
      }
      ok = ok && X509_sign(certificate, key, EVP_sha256()) > 0;
    }
    if (ok) {
      FILE* file = std::fopen(certificatePath_.c_str(), "wb");
      ok = file != nullptr && PEM_write_X509(file, certificate) == 1;
      if (file != nullptr) std::fclose(file);
    }
    if (ok) {
      context_ = SSL_CTX_new(TLS_server_method());
      ok = context_ != nullptr && SSL_CTX_use_certificate(context_, certificate) == 1 &&
           SSL_CTX_use_PrivateKey(context_, key) == 1;
    }
    if (certificate != nullptr) X509_free(certificate);
    if (key != nullptr) EVP_PKEY_free(key);
    return ok;
  }

  void run() {
    while (!stop_) {
      pollfd p{listener_, POLLIN, 0};
      if (poll(&p, 1, 50) <= 0) continue;
      int client = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
      if (client < 0) continue;
      // A client that stops talking cannot hold the server beyond these.
      timeval limit{5, 0};
      setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof(limit));
      setsockopt(client, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof(limit));
      serve(client);
      close(client);
    }
  }

  void serve(int client) {
    SSL* ssl = SSL_new(context_);
    if (ssl == nullptr) return;
    SSL_set_fd(ssl, client);
    if (SSL_accept(ssl) != 1) {
      SSL_free(ssl);
      ERR_clear_error();
      return;
    }
    std::string request;
    while (request.find("\r\n\r\n") == std::string::npos && request.size() < 65536) {
      char buffer[4096];
      const int n = SSL_read(ssl, buffer, sizeof(buffer));
      if (n <= 0) break;
      request.append(buffer, static_cast<size_t>(n));
    }
    {
      std::lock_guard<std::mutex> lock(mutex_);
      requests_.push_back(request);
    }
    std::string path = request.substr(request.find(' ') + 1);
    path = path.substr(0, path.find(' '));
    HttpResponse r = responder_ ? responder_(path) : HttpResponse();
    const std::string response = "HTTP/1.1 " + r.status + "\r\n" + r.headers +
                                 "Content-Length: " + std::to_string(r.body.size()) +
                                 "\r\nConnection: close\r\n\r\n" + r.body;
    for (size_t done = 0; done < response.size();) {
      const int w = SSL_write(ssl, response.data() + done,
                              static_cast<int>(std::min<size_t>(response.size() - done, 1 << 20)));
      if (w <= 0) break;
      done += static_cast<size_t>(w);
    }
    SSL_shutdown(ssl);
    SSL_free(ssl);
    ERR_clear_error();
  }

  std::string certificatePath_;
  TinyHttpServer::Responder responder_;
  SSL_CTX* context_ = nullptr;
  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
  std::mutex mutex_;
  std::vector<std::string> requests_;
};

}  // namespace orvel_test
