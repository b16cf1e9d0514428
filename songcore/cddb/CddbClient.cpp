#include "songcore/cddb/CddbClient.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <string_view>

#include "songcore/settings/AppRegKey.h"

namespace songcore {

CddbClient::CddbClient() {
    SetProductName("Tunemoss");
    SetProductVersion(TUNEMOSS_VERSION);
    SetCDDBProtocolVersion(6);
}

void CddbClient::SetUser(std::string user, std::string host) {
    user_ = std::move(user);
    host_ = std::move(host);
}

std::string CddbFailureText(const CCDDB& client) {
    std::string message = client.GetErrorMessage();
    if (message.empty()) {
        message = "the command failed";
    }
    const std::string& answer = client.GetLastCommandResponse();
    if (!answer.empty()) {
        message += " (the server said: " + answer.substr(0, answer.find_first_of("\r\n")) + ")";
    }
    return message;
}

std::string UseConfiguredCddb(CddbClient& client, CCDDBSite& site) {
    CAppRegKey settings;
    const std::string server = settings.GetCddbServer();
    CddbEndpoint endpoint;
    if (!ParseCddbEndpoint(server, endpoint)) {
        return "CDDB Server under [Network] in the settings is not HOST[:PORT]: " + server;
    }
    const std::string email = settings.GetCddbEmail();
    std::string user, host;
    if (!email.empty()) {
        if (!SplitEmail(email, user, host)) {
            return "CDDB Email under [Network] in the settings is not an e-mail address: " + email;
        }
        client.SetUser(user, host);
    } else if (IsPublicCddbServer(endpoint.host)) {
        return endpoint.host +
               " answers only clients that give an e-mail address: set CDDB Email under "
               "[Network] in the settings";
    }
    site.SetHost(endpoint.host);
    site.SetPort(endpoint.port);
    return {};
}

bool IsPublicCddbServer(std::string host) {
    std::transform(host.begin(), host.end(), host.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (std::string_view domain : {"gnudb.org", "freedb.org"}) {
        if (host == domain || (host.size() > domain.size() && host.ends_with(domain) &&
                               host[host.size() - domain.size() - 1] == '.')) {
            return true;
        }
    }
    return false;
}

bool SplitEmail(const std::string& address, std::string& user, std::string& host) {
    size_t at = address.find('@');
    if (at == std::string::npos || at == 0 || at + 1 == address.size() ||
        address.find('@', at + 1) != std::string::npos) {
        return false;
    }
    for (unsigned char c : address) {
        if (c <= ' ' || c == 0x7F) {
            return false;
        }
    }
    user = address.substr(0, at);
    host = address.substr(at + 1);
    return true;
}

bool ParseCddbEndpoint(const std::string& text, CddbEndpoint& endpoint) {
    std::string host = text;
    std::string port;
    if (!text.empty() && text.front() == '[') {
        size_t close = text.find(']');
        if (close == std::string::npos) {
            return false;
        }
        host = text.substr(1, close - 1);
        if (close + 1 < text.size()) {
            if (text[close + 1] != ':') {
                return false;
            }
            port = text.substr(close + 2);
        }
    } else if (size_t colon = text.find(':');
               colon != std::string::npos && text.find(':', colon + 1) == std::string::npos) {
        host = text.substr(0, colon);
        port = text.substr(colon + 1);
    }
    if (host.empty()) {
        return false;
    }
    endpoint.host = host;
    if (!port.empty()) {
        unsigned number = 0;
        auto [end, error] = std::from_chars(port.data(), port.data() + port.size(), number);
        if (error != std::errc() || end != port.data() + port.size() || number == 0 ||
            number > 65535) {
            return false;
        }
        endpoint.port = static_cast<int>(number);
    }
    return true;
}

}  // namespace songcore
