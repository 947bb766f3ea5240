#include "shell/sessionguard.h"

#include <QCryptographicHash>
#include <QLocalSocket>

#include <unistd.h>

namespace zk {

const char* const kSessionAlreadyOpenText = "A session with this data file %s is already open.";

namespace {

// A listener that accepted but is too busy to answer is still a session.
constexpr int kConnectMilliseconds = 2000;
constexpr int kAnswerMilliseconds = 5000;

QString canonicalText(const std::filesystem::path& dataFile)
{
    std::error_code ec;
    std::filesystem::path path = std::filesystem::weakly_canonical(dataFile, ec);
    return QString::fromStdString((ec ? dataFile : path).string());
}

} // namespace

SessionGuard::SessionGuard(const std::filesystem::path& dataFile, QObject* parent)
    : QObject(parent), path_(canonicalText(dataFile)), name_(socketName(dataFile))
{
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&server_, &QLocalServer::newConnection, this, &SessionGuard::answer);
}

QString SessionGuard::socketName(const std::filesystem::path& dataFile)
{
    QByteArray hash = QCryptographicHash::hash(canonicalText(dataFile).toUtf8(), QCryptographicHash::Sha256).toHex();
    return QStringLiteral("zelkon-%1-%2").arg(::getuid()).arg(QString::fromLatin1(hash.left(24)));
}

bool SessionGuard::claim()
{
    if (otherSessionAnswers())
        return false;
    if (server_.listen(name_))
        return true;
    // Nobody answered, so the name is a leftover of a session that died.
    // Should listening fail even so, the session still works; only a second
    // session on the data file goes unnoticed.
    QLocalServer::removeServer(name_);
    server_.listen(name_);
    return true;
}

bool SessionGuard::running(const std::filesystem::path& dataFile)
{
    return SessionGuard(dataFile).otherSessionAnswers();
}

bool SessionGuard::otherSessionAnswers()
{
    QLocalSocket socket;
    socket.connectToServer(name_);
    if (!socket.waitForConnected(kConnectMilliseconds))
        return false;
    QByteArray line;
    while (!line.contains('\n') && socket.waitForReadyRead(kAnswerMilliseconds))
        line += socket.readAll();
    if (!line.contains('\n'))
        return true;
    return QString::fromUtf8(line.left(line.indexOf('\n'))) == path_;
}

void SessionGuard::answer()
{
    while (QLocalSocket* caller = server_.nextPendingConnection()) {
        connect(caller, &QLocalSocket::disconnected, caller, &QObject::deleteLater);
        caller->write(path_.toUtf8() + '\n');
        caller->flush();
        caller->disconnectFromServer();
    }
}

} // namespace zk
