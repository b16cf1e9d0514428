#pragma once
// The rules of the main window's search box that need no window: the file
// type filters, the places, the search history and the web service's
// address template.

#include <QString>
#include <QStringList>
#include <vector>

namespace SearchRules {

struct Filter {
    QString text;
    QString extensions;  // ";"-separated, for the local search
};
// The eleven filter entries, in order.
const std::vector<Filter>& Filters();
// Every extension the program reads, as the drop and Add Folder searches use.
QString AllExtensions();

// Place 0 is this computer; place 1 the web music search service.
QStringList Places();
constexpr int kLocalPlace = 0;
constexpr unsigned kFirstResultOffset = 1;
constexpr unsigned kResultsPerPage = 30;

// The web service's query address: "%s" takes the search text, "%d" the
// result offset. Kept in the settings file ([Search] Place URL); the default
// stands when it is absent.
QString DefaultPlaceUrl();
QString PlaceUrl();

// Puts text at the top of history (entries compared without regard to
// case), removing it further down, and keeps at most 10 entries.
void AddToHistory(QStringList& history, const QString& text);
constexpr int kMaxHistory = 10;

struct PlaceAddress {
    QString host;  // with "https://" in front for a secure service
    int port = 80;
    QString request;  // the request template, without its leading "/"
    bool IsValid() const { return !host.isEmpty() && !request.isEmpty(); }
};
PlaceAddress ParsePlaceUrl(const QString& url);

}  // namespace SearchRules
