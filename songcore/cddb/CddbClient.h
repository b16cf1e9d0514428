#pragma once
// The CDDB client as Tunemoss presents itself to servers: under its own
// name and version, at protocol level 6 (UTF-8), with the user named by the
// e-mail address given, never by this machine's login and host name. And
// the rules both programs apply before they ask a server.

#include <string>

#include "songcore/cddb/CDDB.h"

namespace songcore {

class CddbClient : public CCDDB {
public:
    CddbClient();
    void SetUser(std::string user, std::string host);
    std::string GetUserNameA() override { return user_; }
    std::string GetHostName() override { return host_; }

private:
    std::string user_ = "anonymous";
    std::string host_ = "localhost";
};

// What the client's last command failed of, with the first line of the
// server's answer when there was one.
std::string CddbFailureText(const CCDDB& client);

// Sets the client and site up for the server the settings name ([Network]
// CDDB Server and CDDB Email). Empty when they are, else what is missing.
std::string UseConfiguredCddb(CddbClient& client, CCDDBSite& site);

// The public server asks every client for a real e-mail address and bans
// those that send none.
bool IsPublicCddbServer(std::string host);

// USER@HOST with both parts made of printable characters without blanks.
bool SplitEmail(const std::string& address, std::string& user, std::string& host);

struct CddbEndpoint {
    std::string host;
    int port = 80;
};

// HOST, HOST:PORT, [ADDRESS] or [ADDRESS]:PORT.
bool ParseCddbEndpoint(const std::string& text, CddbEndpoint& endpoint);

}  // namespace songcore
