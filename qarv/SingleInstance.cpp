#include "qarv/SingleInstance.h"

#include <unistd.h>
#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QStandardPaths>

namespace {

constexpr int kWaitMs = 2000;
// What one start may hand over; more is not a list of files.
constexpr qint64 kMaxMessageBytes = 16 << 20;

}  // namespace

SingleInstance::SingleInstance(QString name, QObject* parent)
    : QObject(parent), name_(std::move(name)) {}

QString SingleInstance::DefaultName() {
    // One instance per user and settings folder: a qarv started with other
    // settings (a test's, say) is a program of its own.
    const QByteArray config =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation).toUtf8();
    return QStringLiteral("tunemoss-qarv-%1-%2")
        .arg(::getuid())
        .arg(QString::fromLatin1(
            QCryptographicHash::hash(config, QCryptographicHash::Sha1).toHex().left(12)));
}

bool SingleInstance::HandOver(const QStringList& paths) {
    QLocalSocket socket;
    socket.connectToServer(name_);
    if (!socket.waitForConnected(kWaitMs)) {
        return false;
    }
    QStringList absolute;
    for (const QString& path : paths) {
        absolute << QFileInfo(path).absoluteFilePath();
    }
    // A file name cannot hold a NUL, so a NUL ends each path.
    QByteArray message;
    for (const QString& path : absolute) {
        message += path.toUtf8() + '\0';
    }
    socket.write(message);
    socket.flush();
    socket.waitForBytesWritten(kWaitMs);
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState) {
        socket.waitForDisconnected(kWaitMs);
    }
    return true;
}

bool SingleInstance::Listen(std::function<void(const QStringList&)> opened) {
    opened_ = std::move(opened);
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_.listen(name_)) {
        // A socket left by an instance that crashed.
        QLocalServer::removeServer(name_);
        if (!server_.listen(name_)) {
            return false;
        }
    }
    connect(&server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_.nextPendingConnection()) {
            auto buffer = std::make_shared<QByteArray>();
            connect(socket, &QLocalSocket::readyRead, socket, [socket, buffer] {
                buffer->append(socket->readAll());
                if (buffer->size() > kMaxMessageBytes) {
                    buffer->clear();
                    socket->abort();
                }
            });
            connect(socket, &QLocalSocket::disconnected, this, [this, socket, buffer] {
                buffer->append(socket->readAll());
                QStringList paths;
                for (const QByteArray& part : buffer->split('\0')) {
                    if (!part.isEmpty()) {
                        paths << QString::fromUtf8(part);
                    }
                }
                socket->deleteLater();
                if (opened_) {
                    opened_(paths);
                }
            });
        }
    });
    return true;
}
