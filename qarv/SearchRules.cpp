#include "qarv/SearchRules.h"

#include "songcore/settings/AppRegKey.h"
#include "songcore/settings/Ini.h"

namespace SearchRules {

const std::vector<Filter>& Filters() {
    static const std::vector<Filter> filters = {
        {"MPEG (*.mp3;*.mp2;*.mp1)", "MP3;MP2;MP1"},
        {"MP4 (*.mp4;*.m4a;*.m4p;*.4gp)", "MP4;M4A;M4P;3GP"},
        {"Wave (*.wav;*.wave)", "WAV;WAVE"},
        {"Windows Media (*.wma;*.wmv;*.asf)", "WMA;WMV;ASF"},
        {"RealMedia (*.ra;*.rm)", "RA;RM"},
        {"OGG (*.ogg;*.oga;*.opus)", "OGG;OGA;OPUS"},
        {"Flac (*.flac)", "FLAC"},
        {"AAC (*.aac)", "AAC"},
        {"APE (*.ape;*.apl)", "APE;APL"},
        {"MPC (*.mpc;*.mp+)", "MPC;MP+"},
        {"All support files", AllExtensions()},
        // Later formats go after, so that the index a user's settings keep
        // still names the same filter.
        {"AIFF (*.aif;*.aiff;*.aifc)", "AIF;AIFF;AIFC"},
        {"DSF (*.dsf)", "DSF"},
        {"WavPack (*.wv)", "WV"},
        {"Matroska audio (*.mka;*.webm)", "MKA;WEBM"},
    };
    return filters;
}

QString AllExtensions() {
    return QStringLiteral(
        "MP3;MP2;MP1;WAV;WAVE;WMA;WMV;ASF;RA;RM;OGG;OGA;OPUS;FLAC;AAC;APE;APL;MPC;MP+;M4A;MP4;M4P;"
        "3GP;AIF;AIFF;AIFC;DSF;WV;MKA;WEBM");
}

QStringList Places() {
    return {QStringLiteral("My Computer"), QStringLiteral("Web Music Search")};
}

QString DefaultPlaceUrl() {
    return QStringLiteral("http://localhost:8080/search?p=%s&b=%d&mimetype=mp3&src=tunemoss");
}

QString PlaceUrl() {
    CIni ini(CAppRegKey::GetStorePath().c_str());
    std::string url = ini.GetString("Search", "Place URL", "");
    return url.empty() ? DefaultPlaceUrl() : QString::fromStdString(url);
}

void AddToHistory(QStringList& history, const QString& text) {
    for (int i = 1; i < history.size(); ++i) {
        if (history[i].compare(text, Qt::CaseInsensitive) == 0) {
            history.removeAt(i);
            break;
        }
    }
    if (history.isEmpty() || history[0].compare(text, Qt::CaseInsensitive) != 0) {
        history.prepend(text);
    }
    while (history.size() > kMaxHistory) {
        history.removeLast();
    }
}

PlaceAddress ParsePlaceUrl(const QString& url) {
    QString text = url.trimmed().toLower();
    PlaceAddress address;
    QString scheme;
    if (text.startsWith("http://")) {
        text = text.mid(7);
    } else if (text.startsWith("https://")) {
        // A secure service keeps its scheme, so the connection uses TLS.
        text = text.mid(8);
        scheme = QStringLiteral("https://");
        address.port = 443;
    }
    int slash = text.indexOf('/');
    QString hostPart = slash < 0 ? text : text.left(slash);
    address.request = slash < 0 ? QString() : text.mid(slash + 1);
    int colon = hostPart.lastIndexOf(':');
    if (colon >= 0) {
        bool ok = false;
        int port = hostPart.mid(colon + 1).toInt(&ok);
        if (ok && port > 0 && port < 65536) {
            address.port = port;
        }
        hostPart = hostPart.left(colon);
    }
    address.host = hostPart.isEmpty() ? QString() : scheme + hostPart;
    return address;
}

}  // namespace SearchRules
