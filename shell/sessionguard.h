#pragma once
// One session per data file for each user on this machine. A session
// listens on a local socket whose name is made from the user id and a hash
// of the data file's canonical path; a session starting on the same data
// file finds it there and is refused. The listener answers every caller
// with its data file's path, so two paths that share a hash never refuse
// each other.
//
// A socket left behind by a session that ended abnormally answers nobody:
// claim() then removes it and listens in its place.

#include <QLocalServer>
#include <QObject>
#include <QString>

#include <filesystem>

namespace zk {

extern const char* const kSessionAlreadyOpenText;  // printf form, the data file

class SessionGuard : public QObject {
    Q_OBJECT
public:
    explicit SessionGuard(const std::filesystem::path& dataFile, QObject* parent = nullptr);

    // True when no other session has the data file; this one holds it then.
    bool claim();

    static QString socketName(const std::filesystem::path& dataFile);
    // Whether a session of this user has the data file open now.
    static bool running(const std::filesystem::path& dataFile);

private:
    bool otherSessionAnswers();
    void answer();

    QString path_;
    QString name_;
    QLocalServer server_;
};

} // namespace zk
