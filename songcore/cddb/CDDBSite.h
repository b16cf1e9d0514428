#pragma once
// CCDDBSite: a CDDB server reachable over HTTP, as the sites list describes it.

#include <string>

class CCDDBSite {
public:
    // query non-zero: the address of the query program; zero: the address of
    // the submit program.
    explicit CCDDBSite(int query = 1) : address_(query ? "/~cddb/cddb.cgi" : "/~cddb/submit.cgi") {}

    const std::string& GetHost() const { return host_; }
    void SetHost(std::string host) { host_ = std::move(host); }
    int GetPort() const { return port_; }
    void SetPort(int port) { port_ = port; }
    // The path of the CGI program on the host.
    const std::string& GetAddress() const { return address_; }
    void SetAddress(std::string address) { address_ = std::move(address); }
    bool GetNorth() const { return north_; }
    void SetNorth(bool north) { north_ = north; }
    // Minutes of arc.
    int GetLatitude() const { return latitude_; }
    void SetLatitude(int minutes) { latitude_ = minutes; }
    bool GetEast() const { return east_; }
    void SetEast(bool east) { east_ = east; }
    int GetLongitude() const { return longitude_; }
    void SetLongitude(int minutes) { longitude_ = minutes; }
    const std::string& GetDescription() const { return description_; }
    void SetDescription(std::string description) { description_ = std::move(description); }

private:
    std::string host_;
    int port_ = 80;
    std::string address_;
    bool north_ = true;
    int latitude_ = 0;
    bool east_ = true;
    int longitude_ = 0;
    std::string description_;
};
