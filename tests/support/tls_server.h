// A TLS web server on loopback for tests of secure links: "openssl s_server -WWW" serving the
// files of a folder, with a throw-away self-signed certificate made when it starts. It stops
// with its owner (and gives up by itself after a few minutes).
#pragma once

#include <string>
#include <sys/types.h>

namespace scenario {

class TlsServer {
  public:
    explicit TlsServer(const std::string& root);
    ~TlsServer();
    TlsServer(const TlsServer&) = delete;
    TlsServer& operator=(const TlsServer&) = delete;

    // 0 when it could not start.
    int port() const { return port_; }
    const std::string& error() const { return error_; }

  private:
    std::string dir_; // the certificate's folder
    pid_t pid_ = -1;
    int port_ = 0;
    std::string error_;
};

} // namespace scenario
